#include "ImageList.h"

#include "PorticoError.h"

#include <algorithm>

namespace portico {

int ImageList::Add(const std::string& key, const QPixmap& picture) {
    if (!key.empty() && std::any_of(images_.begin(), images_.end(), [&](const Image& i) { return i.key == key; }))
        throw PorticoError(35602, "Key is not unique in collection", "ImageList");
    images_.push_back({key, picture});
    return Count();
}

std::string ImageList::Key(int index) const {
    if (index < 1 || index > Count()) return {};
    return images_[static_cast<std::size_t>(index - 1)].key;
}

QIcon ImageList::Icon(int index) const {
    if (index < 1 || index > Count()) return {};
    return QIcon(images_[static_cast<std::size_t>(index - 1)].picture);
}

}  // namespace portico
