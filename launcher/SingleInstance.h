#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>
#include <memory>
#include <utility>

class QSocketNotifier;

namespace portico {

// One Portico per user: the first start listens on a socket in the user's
// runtime folder ($XDG_RUNTIME_DIR/portico, else the per-user cache folder,
// both mode 0700); a later start finds it, asks it to raise its window, and
// should end at once. A plain Unix socket watched by the event loop: Qt's
// network module would cost every start its libraries.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // `name` names the socket; `folder` empty means the per-user folder above.
    explicit SingleInstance(const QString& name, const QString& folder = {});
    ~SingleInstance() override;

    // False when another instance was running and has been asked to show itself.
    bool isPrimary() const { return primary_; }
    const QString& socketPath() const { return path_; }
    // What the primary does when asked; by default it shows, raises and
    // activates its first visible top-level window. While it runs,
    // XDG_ACTIVATION_TOKEN holds the token the later start was given, if any.
    void setRaiseAction(std::function<void()> action) { raise_ = std::move(action); }

signals:
    void raiseRequested();

private:
    struct Client;

    bool askRunningInstance() const;
    void listen();
    void acceptClients();
    void readClient(int descriptor);
    void dropClient(int descriptor);

    QString path_;
    bool primary_ = true;
    int server_ = -1;
    std::pair<unsigned long, unsigned long> socketFile_{};  // device and inode of the file we made
    std::unique_ptr<QSocketNotifier> serverNotifier_;
    std::vector<std::unique_ptr<Client>> clients_;  // oldest first
    std::function<void()> raise_;
};

}  // namespace portico
