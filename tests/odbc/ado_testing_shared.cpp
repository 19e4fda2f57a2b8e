// The data-access tests' helpers, built into this program too (the build makes one program
// per test folder).
#include "dataaccess/ado_testing.cpp"
