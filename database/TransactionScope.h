#pragma once

namespace portico {

class Connection;

// A transaction on `connection` that is undone unless it reaches its commit.
class TransactionScope {
public:
    explicit TransactionScope(Connection& connection);
    ~TransactionScope();
    TransactionScope(const TransactionScope&) = delete;
    TransactionScope& operator=(const TransactionScope&) = delete;

    void commit();

private:
    Connection& connection_;
    bool committed_ = false;
};

}  // namespace portico
