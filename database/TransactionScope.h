#pragma once

namespace portico {

class Connection;

// A transaction on `connection` that is undone unless it reaches its commit.
// Made inside another one it joins it: the outer scope commits or undoes both.
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
    bool joined_ = false;
};

}  // namespace portico
