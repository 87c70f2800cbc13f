#include "about/general.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "about/enciphered.h"
#include "enciphered_samples.h"
#include "windows_1252.h"

namespace general = zelvaro::modGénéral;
using general::ApplicationInfo;
using general::DecoderTexte;
using general::TitreLogiciel;
using general::VersionLogiciel;
using zelvaro::testing::kCodes128To159;
using zelvaro::testing::windows1252;

namespace {

// The decoder run backwards: halves exchanged, XOR with the key byte that ends at 255.
std::u16string encipher(const std::vector<std::uint8_t>& codes) {
    constexpr std::u16string_view digits = u"0123456789ABCDEF";
    std::u16string hex;
    for (std::size_t j = 0; j < codes.size(); ++j) {
        const auto key = static_cast<std::uint8_t>(256 - codes.size() + j);
        const auto x = static_cast<std::uint8_t>((codes[j] << 4 | codes[j] >> 4) ^ key);
        hex += digits[x >> 4];
        hex += digits[x & 0x0F];
    }
    return hex;
}

std::u16string units(std::initializer_list<char16_t> list) {
    return list;
}

} // namespace

TEST(DecoderTexte, DecodesPairsUnderAKeyThatRisesToTheLastCharacter) {
    EXPECT_EQ(DecoderTexte(u""), u"");
    EXPECT_EQ(DecoderTexte(u"00"), u"\u00FF");
    EXPECT_EQ(DecoderTexte(u"0A49"), u"Ok");
    EXPECT_EQ(DecoderTexte(u"0a49"), u"Ok");
    // One pair, two positions: two characters; the same position of another text: the same one.
    EXPECT_EQ(DecoderTexte(u"4141"), u"ûë");
    EXPECT_EQ(DecoderTexte(u"4100"), u"ûÿ");

    const std::u16string hex = u"0A49";
    DecoderTexte(hex);
    EXPECT_EQ(hex, u"0A49");
}

TEST(DecoderTexte, KeepsNulCharacters) {
    EXPECT_EQ(DecoderTexte(u"FF"), units({0}));
    EXPECT_EQ(DecoderTexte(encipher({'a', 0, 'b'})), units({'a', 0, 'b'}));
}

TEST(DecoderTexte, OddLengthsStartTheKeyAtTheEvenNeighbourOfAHalf) {
    EXPECT_EQ(DecoderTexte(u"7"), u"\u008F");
    EXPECT_EQ(DecoderTexte(u"000"), units({0xFF, 0}));
    EXPECT_EQ(DecoderTexte(u"00000"), u"ßïÿ");
    EXPECT_EQ(DecoderTexte(u"0000000"), units({u'ß', u'ï', u'ÿ', 0}));
    EXPECT_EQ(DecoderTexte(u"000000000"), u"¿Ïßïÿ");
}

TEST(DecoderTexte, ReadsAPairUpToItsFirstCharacterThatIsNotAHexDigit) {
    EXPECT_EQ(DecoderTexte(u"G1"), u"ÿ");
    EXPECT_EQ(DecoderTexte(u"1G"), u"ï");
    EXPECT_EQ(DecoderTexte(u"\u0661\u0661"), u"ÿ"); // Arabic-Indic digits
    EXPECT_EQ(DecoderTexte(u"0A4 "), u"O¿");
}

TEST(DecoderTexte, MapsCodes128To159AsWindowsDoes) {
    for (unsigned code = 0x80; code < 0xA0; ++code)
        EXPECT_EQ(DecoderTexte(encipher({static_cast<std::uint8_t>(code)})),
                  units({kCodes128To159[code - 0x80]}))
            << code;
}

TEST(DecoderTexte, DecodesEveryCodeUnderEveryKeyByte) {
    for (const std::size_t length : {256u, 257u, 511u, 600u}) {
        for (const unsigned shift : {0u, 101u}) {
            std::vector<std::uint8_t> codes;
            std::u16string expected;
            for (std::size_t j = 0; j < length; ++j) {
                codes.push_back(static_cast<std::uint8_t>(j * 37 + shift));
                expected += windows1252(codes.back());
            }
            EXPECT_EQ(DecoderTexte(encipher(codes)), expected) << length << " " << shift;
        }
    }
}

TEST(DecoderTexte, RefusesTextsLongerThan32766Digits) {
    EXPECT_EQ(general::kMaxHexLength, 32766u);
    std::vector<std::uint8_t> codes;
    std::u16string expected;
    for (std::size_t j = 0; j < 16383; ++j) {
        codes.push_back(static_cast<std::uint8_t>(j * 7));
        expected += windows1252(codes.back());
    }
    EXPECT_EQ(DecoderTexte(encipher(codes)), expected);
    ASSERT_TRUE(DecoderTexte(std::u16string(32765, u'0')));
    EXPECT_EQ(DecoderTexte(std::u16string(32765, u'0'))->size(), 16383u);
    EXPECT_FALSE(DecoderTexte(std::u16string(32767, u'0')));
    EXPECT_FALSE(DecoderTexte(std::u16string(70000, u'0')));
}

TEST(EncipheredByCMake, DecodeToThePlainTexts) {
    EXPECT_EQ(samples::k_ok_hex, u"0A49");
    EXPECT_EQ(DecoderTexte(samples::k_french_hex), u"Réalisé — « l'équipe » : 5 € ‰ Œ ™ ÿ");
    EXPECT_EQ(DecoderTexte(samples::k_every_character_hex), samples::k_every_character_text);
    EXPECT_EQ(DecoderTexte(samples::k_reversed_hex), samples::k_reversed_text);
    EXPECT_EQ(DecoderTexte(samples::k_wrapping_hex), samples::k_wrapping_text);
}

TEST(EncipheredByCMake, AboutTextsDecodeToTheirSettings) {
    namespace enciphered = zelvaro::enciphered;
    EXPECT_EQ(DecoderTexte(enciphered::kAuteur), samples::k_author_setting);
    EXPECT_EQ(DecoderTexte(enciphered::kSite), samples::k_web_address_setting);
    EXPECT_EQ(DecoderTexte(enciphered::kEmail), samples::k_email_address_setting);
    EXPECT_EQ(DecoderTexte(enciphered::kDonner), samples::k_donation_address_setting);
}

TEST(VersionLogiciel, ReleasesUpTo99AndBetasFrom100) {
    struct Row {
        std::uint16_t major, minor, revision;
        std::u16string_view version, title;
    };
    const Row rows[] = {
        {1, 2, 2, u"v1.2.2", u"Zelvaro v1.2.2"},
        {1, 2, 0, u"v1.2", u"Zelvaro v1.2"},
        {1, 0, 0, u"v1.0", u"Zelvaro v1.0"},
        {1, 2, 99, u"v1.2.99", u"Zelvaro v1.2.99"},
        {3, 10, 7, u"v3.10.7", u"Zelvaro v3.10.7"},
        {7, 8, 100, u"v0.1 beta 0", u"Zelvaro v0.1 beta 0"},
        {7, 8, 1203, u"v1.2 beta 3", u"Zelvaro v1.2 beta 3"},
        {7, 8, 1213, u"v1.2.1 beta 3", u"Zelvaro v1.2.1 beta 3"},
        {7, 8, 5001, u"v5.0 beta 1", u"Zelvaro v5.0 beta 1"},
        {7, 8, 9999, u"v9.9.9 beta 9", u"Zelvaro v9.9.9 beta 9"},
        // Five digits leave two to the beta number, read as a number.
        {7, 8, 12305, u"v1.2.3 beta 5", u"Zelvaro v1.2.3 beta 5"},
        {7, 8, 65535, u"v6.5.5 beta 35", u"Zelvaro v6.5.5 beta 35"},
    };
    for (const Row& row : rows) {
        const ApplicationInfo info{u"Zelvaro", row.major, row.minor, row.revision};
        EXPECT_EQ(VersionLogiciel(info), row.version) << row.revision;
        EXPECT_EQ(TitreLogiciel(info), row.title) << row.revision;
    }
}

TEST(TitreLogiciel, KeepsTheTitleAsItIs) {
    EXPECT_EQ(TitreLogiciel({u" Zelvaro ", 1, 0, 0}), u" Zelvaro  v1.0");
}

TEST(TitreLogiciel, NamesThisBuild) {
    EXPECT_EQ(TitreLogiciel(), u"Zelvaro v1.2.2");
    EXPECT_EQ(VersionLogiciel(), u"v1.2.2");
}
