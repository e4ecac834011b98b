#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace portico {

// One Portico per user: the first start listens on a socket in the user's
// runtime folder ($XDG_RUNTIME_DIR/portico, else the per-user cache folder,
// both mode 0700); a later start finds it, asks it to raise its window, and
// should end at once.
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
    // activates its first visible top-level window.
    void setRaiseAction(std::function<void()> action) { raise_ = std::move(action); }

signals:
    void raiseRequested();

private:
    bool askRunningInstance();
    void listen();

    QString path_;
    bool primary_ = true;
    QLocalServer* server_ = nullptr;
    std::function<void()> raise_;
};

}  // namespace portico
