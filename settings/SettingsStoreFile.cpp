// The providers' settings as .reg files.
#include "EFileTooLarge.h"
#include "ERegSyntaxError.h"
#include "ESettingsError.h"
#include "ExchangeFile.h"
#include "RegKeyPath.h"
#include "RegNames.h"
#include "RegParser.h"
#include "RegText.h"
#include "RegValue.h"
#include "RegValueCodec.h"
#include "RegVisitor.h"
#include "RegistryLocation.h"
#include "SettingsStore.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tessaport {
namespace {

constexpr std::string_view kEol = "\r\n";

// A 64-bit Windows export of the 32-bit view names the keys with this component after Software.
// Spelt as Windows' exports spell it.
constexpr std::string_view kWow64Node = "WOW6432Node\\";

enum View : std::size_t { kNativePath, kWow64Path, kViewCount };

struct GatheredKey {
    bool seen = false;
    std::size_t line = 0; // of the last header of the key
    std::string name;     // as that header spells it
    std::array<std::optional<std::int32_t>, SettingFields.size()> values;
};

RegKeyPath ProviderKey(std::string_view provider, View view) {
    std::string relative = SettingsStore::KeyPathFor(std::string(provider));
    if (view == kWow64Path) {
        relative.insert(relative.find('\\') + 1, kWow64Node);
    }
    return *RegKeyPath::Make(kHKeyLocalMachine, relative);
}

class ProviderKeyCollector : public RegVisitor {
public:
    explicit ProviderKeyCollector(const RegText &text) : text_(text) {
        for (std::size_t p = 0; p < ProviderCatalogue.size(); ++p) {
            for (std::size_t v = 0; v < kViewCount; ++v) {
                targets_[p][v] = ProviderKey(ProviderCatalogue[p], static_cast<View>(v));
            }
        }
    }

    void OnSection(const RegSectionEvent &section) override {
        current_ = nullptr;
        if (!section.path) {
            return;
        }
        for (std::size_t p = 0; p < ProviderCatalogue.size(); ++p) {
            for (std::size_t v = 0; v < kViewCount; ++v) {
                const KeyRelation relation = RelationOf(*section.path, *targets_[p][v]);
                if (section.deletion &&
                    (relation == KeyRelation::Same || relation == KeyRelation::Ancestor)) {
                    gathered_[p][v] = {};
                } else if (!section.deletion && relation == KeyRelation::Same) {
                    current_ = &gathered_[p][v];
                    current_->seen = true;
                    current_->line = section.line;
                    current_->name = std::string(section.name);
                }
            }
        }
    }

    void OnValue(const RegValueEvent &event) override {
        if (current_ == nullptr) {
            return;
        }
        const std::string name = UnescapeQuoted(event.name);
        for (std::size_t i = 0; i < SettingFields.size(); ++i) {
            const SettingField &field = SettingFields[i];
            if (!EqualsFolded(name, field.valueName)) {
                continue;
            }
            if (event.kind == RegDataKind::Delete) {
                current_->values[i] = std::nullopt;
                return;
            }
            const RegValue value = DecodeValue(event);
            const std::optional<std::uint32_t> number = value.AsDword();
            const auto where = [&] {
                return text_.Source() + ", line " + std::to_string(event.firstLine) + ": [" +
                       current_->name + "]: value \"" + name + "\"";
            };
            if (!number) {
                throw ESettingsFileError(where() + " is not a DWORD (it is " +
                                         RegTypeName(value.type) + ")");
            }
            const auto stored = static_cast<std::int32_t>(*number);
            if (ListPositionFor(stored, field) == NoSelection) {
                throw ESettingsFileError(where() + " is " + std::to_string(stored) +
                                         ", outside 0 to " + std::to_string(field.entryCount - 1));
            }
            current_->values[i] = stored;
            return;
        }
    }

    std::vector<ProviderSettings> Result() const {
        std::vector<ProviderSettings> result;
        for (std::size_t p = 0; p < ProviderCatalogue.size(); ++p) {
            // The 32-bit view is the driver's: its key decides.
            const GatheredKey &key = gathered_[p][kWow64Path].seen ? gathered_[p][kWow64Path]
                                                                   : gathered_[p][kNativePath];
            if (!key.seen) {
                continue;
            }
            ProviderSettings entry{std::string(ProviderCatalogue[p]), {}};
            for (std::size_t i = 0; i < SettingFields.size(); ++i) {
                if (!key.values[i]) {
                    throw ESettingsFileError(text_.Source() + ", line " + std::to_string(key.line) +
                                             ": [" + key.name + "] has no DWORD value \"" +
                                             std::string(SettingFields[i].valueName) + "\"");
                }
                entry.settings.*SettingFields[i].member = *key.values[i];
            }
            result.push_back(std::move(entry));
        }
        return result;
    }

private:
    const RegText &text_;
    std::array<std::array<std::optional<RegKeyPath>, kViewCount>, ProviderCatalogue.size()>
        targets_;
    std::array<std::array<GatheredKey, kViewCount>, ProviderCatalogue.size()> gathered_;
    GatheredKey *current_ = nullptr;
};

} // namespace

ExportTarget SettingsStore::NativeTarget() {
    return WindowsToolsReachSettingsThroughWow6432Node() ? ExportTarget::Windows64
                                                         : ExportTarget::Windows32;
}

std::string SettingsStore::Export(const std::vector<ProviderSettings> &providers,
                                  ExportTarget target) {
    std::string out = "Windows Registry Editor Version 5.00";
    out += kEol;
    for (const ProviderSettings &entry : providers) {
        out += kEol;
        out += '[';
        out += ProviderKey(entry.provider,
                           target == ExportTarget::Windows64 ? kWow64Path : kNativePath)
                   .FullName();
        out += ']';
        out += kEol;
        for (const SettingField &field : SettingFields) {
            const std::string name = FormatValueName(field.valueName) + "=";
            const auto number = static_cast<std::uint32_t>(entry.settings.*field.member);
            out += name + FormatValueData(RegValue::Dword(number), name.size(), kEol);
            out += kEol;
        }
    }
    // Exports close with one more line end.
    out += kEol;
    return out;
}

std::vector<ProviderSettings> SettingsStore::Import(std::string_view bytes,
                                                    const std::string &source) {
    try {
        const RegText text(bytes, source);
        ProviderKeyCollector collector(text);
        RegParser::Parse(text, collector);
        return collector.Result();
    } catch (const ERegSyntaxError &failure) {
        // A file that is not understood whole is not imported at all.
        throw ESettingsFileError(failure.what());
    }
}

void SettingsStore::ExportTo(const std::string &path,
                             const std::vector<ProviderSettings> &providers, ExportTarget target) {
    ExchangeFile::Write(path, Export(providers, target));
}

std::vector<ProviderSettings> SettingsStore::ImportFrom(const std::string &path) {
    std::string bytes;
    try {
        bytes = ExchangeFile::Read(path, RegText::kMaxFileBytes);
    } catch (const EFileTooLarge &failure) {
        throw ESettingsFileError(failure.what());
    }
    return Import(bytes, path == ExchangeFile::kStandardInput ? "standard input" : path);
}

} // namespace tessaport
