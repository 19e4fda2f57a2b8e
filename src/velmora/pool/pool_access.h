// How the library's own data helpers borrow and return pooled connections: the module
// procedures over the calling thread's pool (gConPool), reached through its interface.
#pragma once

#include "dataaccess/ado.h"
#include "runtime/com.h"
#include "runtime/variant.h"

namespace velmora {

// Borrows a connection for vDsn (a connection string, or a connection object that comes
// back as it is) from the thread's pool, waiting up to 20 seconds when the pool is full.
// objCon receives the connection; it is empty when none was obtained (an unreachable data
// source, a full pool): that is no error. Throws only when the pool itself cannot be reached.
void GetPoolConn(rt::ComPtr<ado::_Connection>& objCon, rt::Variant& vDsn);

// Gives objCon back to the thread's pool (idle when it is open) and empties objCon.
// Throws only when the pool itself cannot be reached.
void ReleasePoolConn(rt::ComPtr<ado::_Connection>& objCon);

}  // namespace velmora
