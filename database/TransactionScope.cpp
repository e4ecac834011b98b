#include "database/TransactionScope.h"

#include "database/Connection.h"
#include "settings/PorticoError.h"

namespace portico {

TransactionScope::TransactionScope(Connection& connection)
    : connection_(connection), joined_(connection.inTransaction()) {
    if (!joined_) connection_.BeginTrans();
}

TransactionScope::~TransactionScope() {
    if (committed_ || joined_) return;
    try {
        connection_.RollbackTrans();
    } catch (const PorticoError&) {
        // The engine has already rolled back whatever it could.
    }
}

void TransactionScope::commit() {
    if (!joined_) connection_.CommitTrans();
    committed_ = true;
}

}  // namespace portico
