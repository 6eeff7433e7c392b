#pragma once

#include "RegText.h"
#include "RegValue.h"
#include "RegistryTypes.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tessaport {

// The whole registry a file describes, after replaying it in order, for tests to compare files
// by what they mean. Names compare without regard to case.
class RegDocument {
public:
    // Raises ERegSyntaxError when the text cannot be parsed.
    static RegDocument FromText(const RegText &text);

    bool KeyExists(RegRootKey root, std::string_view path) const;
    std::optional<RegValue> Value(RegRootKey root, std::string_view path,
                                  std::string_view name) const;
    // Creates the key and its parents as needed.
    void SetValue(RegRootKey root, std::string_view path, std::string_view name,
                  const RegValue &value);
    void CreateKey(RegRootKey root, std::string_view path);

    friend bool operator==(const RegDocument &a, const RegDocument &b);

private:
    class Builder;
    struct Node {
        std::map<std::string, std::unique_ptr<Node>> children; // by folded name
        std::map<std::string, RegValue> values;                // by folded name
    };

    Node *Find(RegRootKey root, std::string_view path) const;
    Node &Create(RegRootKey root, std::string_view path);
    void Delete(RegRootKey root, std::string_view path);
    static bool SameTree(const Node &a, const Node &b);

    std::map<RegRootKey, std::unique_ptr<Node>> roots_;
};

} // namespace tessaport
