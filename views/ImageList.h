#pragma once

#include <QIcon>
#include <QPixmap>

#include <string>
#include <unordered_set>
#include <vector>

namespace portico {

// Pictures addressed by 1-based index, some with a key, as a list view's image
// list holds them. Index 0 means "no picture".
class ImageList {
public:
    // Adds a picture and returns its index. A key that is already present is an
    // error (35602 "Key is not unique in collection") and adds nothing; an empty
    // key is no key.
    int Add(const std::string& key, const QPixmap& picture);
    // The same for an icon that makes its picture when it is first drawn.
    int Add(const std::string& key, const QIcon& picture);
    int Count() const { return static_cast<int>(images_.size()); }
    // The key of an image; empty for one without a key or an index out of range.
    std::string Key(int index) const;
    // The picture at an index; a null icon for 0 or an index out of range.
    QIcon Icon(int index) const;
    void Clear() {
        images_.clear();
        keys_.clear();
    }

private:
    struct Image {
        std::string key;
        QIcon picture;
    };
    std::vector<Image> images_;
    std::unordered_set<std::string> keys_;
};

}  // namespace portico
