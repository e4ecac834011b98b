#pragma once

#include "resource_viewer/ResourceTree.h"

#include <memory>
#include <string>
#include <vector>

namespace portico::test {

// A plain tree that records what the enumeration builds.
class FakeResourceTree final : public ResourceTree {
public:
    struct Item {
        std::string key, text;
        int image = 0, selectedImage = 0;
        bool expanded = false;
        Item* parent = nullptr;
        std::vector<std::unique_ptr<Item>> children;
    };

    void clear() override { roots.clear(); }
    Node addNode(Node parent, const std::string& key, const std::string& text, int image, int selectedImage) override {
        auto item = std::make_unique<Item>(Item{key, text, image, selectedImage, false, static_cast<Item*>(parent), {}});
        Item* raw = item.get();
        (parent ? static_cast<Item*>(parent)->children : roots).push_back(std::move(item));
        return raw;
    }
    void removeNode(Node node) override {
        auto* item = static_cast<Item*>(node);
        auto& siblings = item->parent ? item->parent->children : roots;
        std::erase_if(siblings, [&](const auto& c) { return c.get() == item; });
    }
    Node firstNode() const override { return roots.empty() ? nullptr : roots.front().get(); }
    Node firstChild(Node node) const override {
        auto* item = static_cast<Item*>(node);
        return item->children.empty() ? nullptr : item->children.front().get();
    }
    Node parentNode(Node node) const override { return static_cast<Item*>(node)->parent; }
    std::string text(Node node) const override { return static_cast<Item*>(node)->text; }
    std::string key(Node node) const override { return static_cast<Item*>(node)->key; }
    void expand(Node node) override {
        if (node) static_cast<Item*>(node)->expanded = true;
    }
    void refresh() override { ++refreshes; }

    Item* root() const { return roots.empty() ? nullptr : roots.front().get(); }
    static std::vector<std::string> childTexts(const Item* item) {
        std::vector<std::string> out;
        for (const auto& c : item->children) out.push_back(c->text);
        return out;
    }

    std::vector<std::unique_ptr<Item>> roots;
    int refreshes = 0;
};

}  // namespace portico::test
