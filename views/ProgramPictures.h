#pragma once

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QPixmap>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace portico {

class clsDBRoutines;

// The pictures of a program list. A list of thousands shows a few dozen at a
// time, so a picture is fetched from the catalogue (by the program's key, many
// in one query) and decoded only when its row is first shown; the rest cost
// nothing at start-up and hold no memory. Identical pictures are decoded once
// and shared; a program stored without a picture shows the default icon, read
// once. The icons handed out stay valid after the store is gone (they show
// nothing then).
class ProgramPictures final : public std::enable_shared_from_this<ProgramPictures> {
public:
    // At most this many programs' pictures are fetched by one query.
    static constexpr std::size_t kBatch = 256;
    // Decoded pictures kept at most; beyond, the ones out of sight are dropped
    // and fetched again when shown.
    static constexpr std::size_t kMaxKept = 4096;

    static std::shared_ptr<ProgramPictures> create(clsDBRoutines& database);

    // Forgets every program (the list is being refilled).
    void clear();
    // A program of the list; returns its entry.
    int add(std::int64_t key);
    // The icon of an entry. It fetches nothing while it is painted: a picture
    // not yet fetched is asked for (see setRequestHandler) and shows empty until
    // it has come; pixmap() fetches at once, since it must answer. isNull() is
    // true only for a picture fetched and found unreadable.
    QIcon icon(int entry);
    // The entries in the order the list shows them: what is fetched together.
    void setOrder(std::vector<int> entries);
    // Fetches the pictures of the first `count` entries in the list's order.
    void fetchFirst(std::size_t count);
    // Called once when pictures are wanted that are not fetched yet; the owner
    // then calls fetchRequested (later, outside any painting) and repaints.
    void setRequestHandler(std::function<void()> handler) { requestHandler_ = std::move(handler); }
    void fetchRequested();

    // The decoded picture of an entry; null when it has none we can read, or
    // (when `fetch` is false) when it has not been fetched yet.
    QPixmap picture(int entry, bool fetch);
    bool fetched(int entry) const;
    // How many different pictures are decoded and held.
    std::size_t decodedCount() const { return byContent_.size(); }

private:
    explicit ProgramPictures(clsDBRoutines& database) : database_(database) {}
    enum class State : std::uint8_t { Unknown, Requested, Ready, None };
    struct Entry {
        std::int64_t key;
        State state = State::Unknown;
        QPixmap picture;
    };
    void fetchAround(int entry);
    void fetch(const std::vector<int>& entries);
    QPixmap decode(const QByteArray& bytes);
    QPixmap defaultPicture();
    void dropOutOfSight(const std::vector<int>& keep);

    clsDBRoutines& database_;
    std::vector<Entry> entries_;
    std::vector<int> order_;     // entries in the list's order
    std::vector<int> position_;  // entry -> place in order_
    QHash<QByteArray, QPixmap> byContent_;  // by a digest of the bytes
    bool defaultRead_ = false;
    QPixmap default_;
    std::vector<int> requested_;
    std::function<void()> requestHandler_;
};

}  // namespace portico
