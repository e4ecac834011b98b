#include "views/ProgramPictures.h"

#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/PictureLoader.h"
#include "settings/PorticoError.h"

#include <QApplication>
#include <QHashFunctions>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace portico {
namespace {

// An icon whose picture comes from the store when it is first drawn.
class ProgramPictureEngine final : public QIconEngine {
public:
    ProgramPictureEngine(std::weak_ptr<ProgramPictures> store, int entry) : store_(std::move(store)), entry_(entry) {}

    // Asked for by code: fetched now if need be.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override { return shown(size, mode, true); }

    // Drawn: a picture not fetched yet is asked for and drawn once it has come.
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal ratio = painter->device()->devicePixelRatio();
        const QPixmap picture = shown(rect.size() * ratio, mode, false);
        if (picture.isNull()) return;
        // A stored picture's pixels count as logical pixels, as at 1x: at 2x a
        // 32-pixel picture still covers 32 (drawn from more pixels where it has them).
        const QSize size = actualSize(rect.size(), mode, QIcon::Off);
        painter->drawPixmap(QRect(rect.x() + (rect.width() - size.width()) / 2,
                                  rect.y() + (rect.height() - size.height()) / 2, size.width(), size.height()),
                            picture);
    }

    // Asked for every item as the list is laid out: it neither fetches nor asks.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const auto store = store_.lock();
        const QPixmap picture = store && store->fetched(entry_) ? store->picture(entry_, false) : QPixmap();
        if (picture.isNull()) return size;  // not fetched yet: it will fill its place
        return picture.width() > size.width() || picture.height() > size.height()
                   ? picture.size().scaled(size, Qt::KeepAspectRatio)
                   : picture.size();
    }

    QPixmap shown(const QSize& size, QIcon::Mode mode, bool fetch) {
        const auto store = store_.lock();
        QPixmap picture = store ? store->picture(entry_, fetch) : QPixmap();
        if (picture.isNull() || size.isEmpty()) return {};
        if (picture.width() > size.width() || picture.height() > size.height())
            picture = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode != QIcon::Normal) {
            // As Qt's own pixmap icons do: the style makes the disabled and selected looks.
            QStyleOption option;
            option.palette = QApplication::palette();
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        return picture;
    }

    // Views ask every item whether its icon is null as they lay the list out:
    // a picture not fetched yet is taken to be there.
    bool isNull() override {
        const auto store = store_.lock();
        return !store || (store->fetched(entry_) && store->picture(entry_, false).isNull());
    }

    QIconEngine* clone() const override { return new ProgramPictureEngine(store_, entry_); }
    QString key() const override { return QStringLiteral("ProgramPictureEngine"); }

private:
    std::weak_ptr<ProgramPictures> store_;
    int entry_;
};

}  // namespace

std::shared_ptr<ProgramPictures> ProgramPictures::create(clsDBRoutines& database) {
    return std::shared_ptr<ProgramPictures>(new ProgramPictures(database));
}

void ProgramPictures::clear() {
    entries_.clear();
    order_.clear();
    position_.clear();
    byContent_.clear();
    requested_.clear();
    defaultRead_ = false;
    default_ = QPixmap();
}

int ProgramPictures::add(std::int64_t key) {
    entries_.push_back({key, State::Unknown, QPixmap()});
    return static_cast<int>(entries_.size()) - 1;
}

QIcon ProgramPictures::icon(int entry) { return QIcon(new ProgramPictureEngine(weak_from_this(), entry)); }

void ProgramPictures::setOrder(std::vector<int> entries) {
    order_ = std::move(entries);
    position_.assign(entries_.size(), -1);
    for (std::size_t i = 0; i < order_.size(); ++i) {
        const int entry = order_[i];
        if (entry >= 0 && static_cast<std::size_t>(entry) < entries_.size()) position_[static_cast<std::size_t>(entry)] = static_cast<int>(i);
    }
}

void ProgramPictures::fetchFirst(std::size_t count) {
    std::vector<int> first;
    for (std::size_t i = 0; i < order_.size() && first.size() < count; ++i)
        if (!fetched(order_[i])) first.push_back(order_[i]);
    for (std::size_t start = 0; start < first.size(); start += kBatch)
        fetch(std::vector<int>(first.begin() + static_cast<std::ptrdiff_t>(start),
                               first.begin() + static_cast<std::ptrdiff_t>(std::min(first.size(), start + kBatch))));
}

bool ProgramPictures::fetched(int entry) const {
    if (entry < 0 || static_cast<std::size_t>(entry) >= entries_.size()) return false;
    const State state = entries_[static_cast<std::size_t>(entry)].state;
    return state == State::Ready || state == State::None;
}

QPixmap ProgramPictures::picture(int entry, bool fetchNow) {
    if (entry < 0 || static_cast<std::size_t>(entry) >= entries_.size()) return {};
    Entry& shown = entries_[static_cast<std::size_t>(entry)];
    if (shown.state == State::Unknown || shown.state == State::Requested) {
        if (fetchNow) {
            fetchAround(entry);
        } else {
            if (shown.state == State::Unknown) {
                shown.state = State::Requested;
                const bool first = requested_.empty();
                requested_.push_back(entry);
                if (first && requestHandler_) requestHandler_();
            }
            return {};
        }
    }
    return entries_[static_cast<std::size_t>(entry)].picture;
}

void ProgramPictures::fetchRequested() {
    std::vector<int> wanted;
    wanted.swap(requested_);
    // Each one with its neighbours in the list: scrolling shows them next.
    std::vector<int> batch;
    for (const int entry : wanted) {
        if (fetched(entry)) continue;
        if (std::find(batch.begin(), batch.end(), entry) == batch.end()) batch.push_back(entry);
    }
    if (batch.empty()) return;
    const int last = batch.back();
    const int from = static_cast<std::size_t>(last) < position_.size() ? position_[static_cast<std::size_t>(last)] : -1;
    for (std::size_t i = from < 0 ? order_.size() : static_cast<std::size_t>(from) + 1;
         i < order_.size() && batch.size() < kBatch; ++i) {
        if (!fetched(order_[i]) && std::find(batch.begin(), batch.end(), order_[i]) == batch.end()) batch.push_back(order_[i]);
    }
    for (std::size_t start = 0; start < batch.size(); start += kBatch)
        fetch(std::vector<int>(batch.begin() + static_cast<std::ptrdiff_t>(start),
                               batch.begin() + static_cast<std::ptrdiff_t>(std::min(batch.size(), start + kBatch))));
}

void ProgramPictures::fetchAround(int entry) {
    std::vector<int> batch{entry};
    const int at = static_cast<std::size_t>(entry) < position_.size() ? position_[static_cast<std::size_t>(entry)] : -1;
    if (at >= 0) {
        for (std::size_t i = static_cast<std::size_t>(at) + 1; i < order_.size() && batch.size() < kBatch / 4; ++i)
            if (!fetched(order_[i])) batch.push_back(order_[i]);
    }
    fetch(batch);
}

void ProgramPictures::fetch(const std::vector<int>& wanted) {
    if (wanted.empty()) return;
    dropOutOfSight(wanted);
    std::vector<std::int64_t> keys;
    keys.reserve(wanted.size());
    QHash<std::int64_t, std::vector<int>> byKey;
    for (const int entry : wanted) {
        const std::int64_t key = entries_[static_cast<std::size_t>(entry)].key;
        auto& same = byKey[key];
        if (same.empty()) keys.push_back(key);
        same.push_back(entry);
    }
    // A failed query has been reported by the data layer; those programs show no picture.
    for (const int entry : wanted) entries_[static_cast<std::size_t>(entry)].state = State::None;
    const auto records = database_.loadProgramIcons(keys);
    if (!records) return;
    try {
        if (records->RecordCount() > 0) records->MoveFirst();
        for (long i = 0, n = records->RecordCount(); i < n; ++i) {
            try {
                const std::int64_t key = records->Fields("Program_Key").Value().toInt64();
                const ::portico::Variant& icon = records->Fields("Program_Icon").Value();
                QPixmap picture;
                if (icon.isNull() || icon.isEmpty() ||
                    (icon.type() == ::portico::Variant::Type::Bytes && icon.bytes().empty())) {
                    picture = defaultPicture();
                } else if (icon.type() == ::portico::Variant::Type::Bytes) {
                    const Bytes& bytes = icon.bytes();
                    picture = decode(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                             static_cast<qsizetype>(bytes.size())));
                }
                for (const int entry : byKey.value(key)) {
                    Entry& target = entries_[static_cast<std::size_t>(entry)];
                    target.picture = picture;
                    target.state = picture.isNull() ? State::None : State::Ready;
                }
            } catch (const PorticoError&) {
                // A row that cannot be read shows no picture, as before.
            }
            records->MoveNext();
        }
        records->Close();
    } catch (const PorticoError&) {
    }
}

QPixmap ProgramPictures::decode(const QByteArray& bytes) {
    // Two 64-bit hashes under this run's random seed, and the length: pictures
    // that differ do not meet by chance, nor by design.
    const std::size_t seed = QHashSeed::globalSeed();
    const std::size_t parts[3] = {qHash(bytes, seed), qHash(bytes, ~seed ^ 0x9e3779b97f4a7c15u),
                                  static_cast<std::size_t>(bytes.size())};
    const QByteArray digest(reinterpret_cast<const char*>(parts), sizeof parts);
    if (const auto known = byContent_.constFind(digest); known != byContent_.constEnd()) return *known;
    const QImage image = tryLoadPictureData(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    QPixmap picture = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    byContent_.insert(digest, picture);
    return picture;
}

QPixmap ProgramPictures::defaultPicture() {
    if (!defaultRead_) {
        defaultRead_ = true;
        const QImage picture = database_.DefaultIconPath().empty()
                                   ? QImage()
                                   : tryLoadPicture(database_.DefaultIconPath(), SafeFile::Links::Follow);
        if (!picture.isNull()) default_ = QPixmap::fromImage(picture);
    }
    return default_;
}

void ProgramPictures::dropOutOfSight(const std::vector<int>& keep) {
    if (byContent_.size() + keep.size() <= kMaxKept) return;
    // Whatever is shown next is fetched again; the ones wanted now stay wanted.
    for (Entry& entry : entries_) {
        if (entry.state == State::Ready || entry.state == State::None) {
            entry.state = State::Unknown;
            entry.picture = QPixmap();
        }
    }
    byContent_.clear();
}

}  // namespace portico
