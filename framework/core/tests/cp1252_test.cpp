// Patch texts are Windows-1252; everything the user reads is UTF-8.
#include <gtest/gtest.h>

#include "Cp1252.h"

TEST(Cp1252, EveryByteSurvivesTheRoundTripExceptTheUndefinedOnes) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(cp1252::FromUtf8(cp1252::ToUtf8(byte)), undefined ? "?" : byte) << "byte " << b;
    }
    EXPECT_EQ(cp1252::ToUtf8("Caf\xE9 \x80\x81"), "Café €?");
}

TEST(Cp1252, CharactersTheCodePageCannotHoldAreNamedOnce) {
    std::string lost;
    EXPECT_EQ(cp1252::FromUtf8("Crème ✓ Brûlée ✓ Ω", &lost), "Cr\xE8me ? Br\xFBl\xE9"
                                                             "e ? ?");
    EXPECT_EQ(lost, "✓Ω");
    lost.clear();
    EXPECT_EQ(cp1252::FromUtf8("a\xFF\xE2\x82", &lost), "a???");  // malformed input never throws
}

TEST(Cp1252, MixedTextsKeepUtf8AndReadOtherBytesAsTheCodePage) {
    // A message naming a UTF-8 file and a patch stored as Windows-1252.
    EXPECT_EQ(cp1252::MixedToUtf8("/home/zoë/bank.syx: \"Caf\xE9\" \x80"), "/home/zoë/bank.syx: \"Café\" €");
    EXPECT_EQ(cp1252::MixedToUtf8("\xC3"), "Ã");
}
