// modGénéral: the About box's title and version text, and the decoder of its enciphered credits
// and links.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelvaro::modGénéral {

// Longest hex text accepted: the format counts positions in 16 bits, which overflow beyond it.
inline constexpr std::size_t kMaxHexLength = 32766;

// Hex digit pairs back to text, one Windows-1252 character per pair; nothing when the text is
// longer than kMaxHexLength. Odd lengths and characters other than hex digits are decoded too.
std::optional<std::u16string> DecoderTexte(std::u16string_view hex);

struct ApplicationInfo {
    std::u16string title;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t revision = 0;
};

// This build's title and version numbers, as the project declares them.
ApplicationInfo applicationInfo();

// "v1.2.2", or for a revision of 100 or more the beta form that the revision alone makes up.
std::u16string VersionLogiciel(const ApplicationInfo& info);
std::u16string VersionLogiciel();

// The title, a blank, and the version text: "Zelvaro v1.2.2".
std::u16string TitreLogiciel(const ApplicationInfo& info);
std::u16string TitreLogiciel();

} // namespace zelvaro::modGénéral
