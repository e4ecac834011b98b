#include "database/TransactionScope.h"

#include "database/Connection.h"
#include "settings/PorticoError.h"

namespace portico {

TransactionScope::TransactionScope(Connection& connection) : connection_(connection) { connection_.BeginTrans(); }

TransactionScope::~TransactionScope() {
    if (committed_) return;
    try {
        connection_.RollbackTrans();
    } catch (const PorticoError&) {
        // The engine has already rolled back whatever it could.
    }
}

void TransactionScope::commit() {
    connection_.CommitTrans();
    committed_ = true;
}

}  // namespace portico
