#include "RegDocument.h"

#include "RegNames.h"
#include "RegParser.h"
#include "RegValueCodec.h"
#include "RegVisitor.h"

namespace tessaport {

namespace {

// Calls `visit` with each folded component of a "a\b\c" path.
template <typename Visit> bool ForEachComponent(std::string_view path, Visit visit) {
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t slash = path.find('\\', start);
        if (slash == std::string_view::npos) {
            slash = path.size();
        }
        if (!visit(Folded(path.substr(start, slash - start)))) {
            return false;
        }
        start = slash + 1;
    }
    return true;
}

} // namespace

class RegDocument::Builder : public RegVisitor {
public:
    explicit Builder(RegDocument &document) : document_(document) {}

    void OnSection(const RegSectionEvent &section) override {
        current_ = nullptr;
        if (!section.path) {
            return;
        }
        if (section.deletion) {
            document_.Delete(section.path->root, section.path->relative);
            return;
        }
        current_ = &document_.Create(section.path->root, section.path->relative);
    }

    void OnValue(const RegValueEvent &value) override {
        if (current_ == nullptr) {
            return;
        }
        std::string name = Folded(UnescapeQuoted(value.name));
        if (value.kind == RegDataKind::Delete) {
            current_->values.erase(name);
        } else {
            current_->values[std::move(name)] = DecodeValue(value);
        }
    }

private:
    RegDocument &document_;
    Node *current_ = nullptr;
};

RegDocument RegDocument::FromText(const RegText &text) {
    RegDocument document;
    Builder builder(document);
    RegParser::Parse(text, builder);
    return document;
}

RegDocument::Node *RegDocument::Find(RegRootKey root, std::string_view path) const {
    const auto found = roots_.find(root);
    if (found == roots_.end()) {
        return nullptr;
    }
    Node *node = found->second.get();
    const bool complete = ForEachComponent(path, [&](const std::string &component) {
        const auto child = node->children.find(component);
        if (child == node->children.end()) {
            return false;
        }
        node = child->second.get();
        return true;
    });
    return complete ? node : nullptr;
}

RegDocument::Node &RegDocument::Create(RegRootKey root, std::string_view path) {
    std::unique_ptr<Node> &rootNode = roots_[root];
    if (!rootNode) {
        rootNode = std::make_unique<Node>();
    }
    Node *node = rootNode.get();
    ForEachComponent(path, [&](std::string component) {
        std::unique_ptr<Node> &child = node->children[std::move(component)];
        if (!child) {
            child = std::make_unique<Node>();
        }
        node = child.get();
        return true;
    });
    return *node;
}

void RegDocument::Delete(RegRootKey root, std::string_view path) {
    // Roots cannot be deleted.
    const std::size_t slash = path.rfind('\\');
    if (path.empty()) {
        return;
    }
    Node *parent =
        slash == std::string_view::npos ? Find(root, {}) : Find(root, path.substr(0, slash));
    if (parent != nullptr) {
        parent->children.erase(
            Folded(slash == std::string_view::npos ? path : path.substr(slash + 1)));
    }
}

bool RegDocument::KeyExists(RegRootKey root, std::string_view path) const {
    return Find(root, path) != nullptr;
}

std::optional<RegValue> RegDocument::Value(RegRootKey root, std::string_view path,
                                           std::string_view name) const {
    const Node *node = Find(root, path);
    if (node == nullptr) {
        return std::nullopt;
    }
    const auto found = node->values.find(Folded(name));
    return found == node->values.end() ? std::nullopt : std::optional<RegValue>(found->second);
}

void RegDocument::SetValue(RegRootKey root, std::string_view path, std::string_view name,
                           const RegValue &value) {
    Create(root, path).values[Folded(name)] = value;
}

void RegDocument::CreateKey(RegRootKey root, std::string_view path) {
    Create(root, path);
}

bool RegDocument::SameTree(const Node &a, const Node &b) {
    if (a.values != b.values || a.children.size() != b.children.size()) {
        return false;
    }
    auto left = a.children.begin();
    auto right = b.children.begin();
    for (; left != a.children.end(); ++left, ++right) {
        if (left->first != right->first || !SameTree(*left->second, *right->second)) {
            return false;
        }
    }
    return true;
}

bool operator==(const RegDocument &a, const RegDocument &b) {
    // A root that exists but is empty equals one never mentioned.
    const RegDocument::Node empty;
    for (RegRootKey root :
         {kHKeyClassesRoot, kHKeyCurrentUser, kHKeyLocalMachine, kHKeyUsers, kHKeyCurrentConfig}) {
        const auto left = a.roots_.find(root);
        const auto right = b.roots_.find(root);
        const RegDocument::Node &leftNode = left == a.roots_.end() ? empty : *left->second;
        const RegDocument::Node &rightNode = right == b.roots_.end() ? empty : *right->second;
        if (!RegDocument::SameTree(leftNode, rightNode)) {
            return false;
        }
    }
    return true;
}

} // namespace tessaport
