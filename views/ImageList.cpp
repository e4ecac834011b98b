#include "views/ImageList.h"

#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"

namespace portico {

int ImageList::Add(const std::string& key, const QPixmap& picture) { return Add(key, QIcon(picture)); }

int ImageList::Add(const std::string& key, const QIcon& picture) {
    if (!key.empty() && !keys_.insert(key).second)
        throw PorticoError(errors::kKeyNotUnique, "Key is not unique in collection", "ImageList");
    images_.push_back({key, picture});
    return Count();
}

std::string ImageList::Key(int index) const {
    if (index < 1 || index > Count()) return {};
    return images_[static_cast<std::size_t>(index - 1)].key;
}

QIcon ImageList::Icon(int index) const {
    if (index < 1 || index > Count()) return {};
    return images_[static_cast<std::size_t>(index - 1)].picture;
}

}  // namespace portico
