// The Windows-1251 code page of every file text.
#include "Cp1251.h"

#include <gtest/gtest.h>

TEST(Cp1251, WholeRussianAlphabetBothCases)
{
    const std::string upper = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
    const std::string lower = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
    const std::string bytesUpper = ToCp1251(upper);
    const std::string bytesLower = ToCp1251(lower);
    ASSERT_EQ(bytesUpper.size(), 33u);
    ASSERT_EQ(bytesLower.size(), 33u);
    // Ё and ё stand apart from the rest of the alphabet.
    EXPECT_EQ(static_cast<unsigned char>(bytesUpper[6]), 0xA8);
    EXPECT_EQ(static_cast<unsigned char>(bytesLower[6]), 0xB8);
    // The others run in order from 0xC0 (А) and 0xE0 (а).
    std::string withoutYo = upper;
    withoutYo.erase(12, 2); // "Ё" is two UTF-8 bytes after six letters
    const std::string plain = ToCp1251(withoutYo);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(static_cast<unsigned char>(plain[i]), 0xC0 + i) << i;
    EXPECT_EQ(FromCp1251(bytesUpper), upper);
    EXPECT_EQ(FromCp1251(bytesLower), lower);
}

TEST(Cp1251, EveryByteSurvivesARoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(ToCp1251(FromCp1251(all)), all);
}

TEST(Cp1251, AsciiAndSignsPassAndForeignCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(ToCp1251("Test_01.txt 0.5 > -"), "Test_01.txt 0.5 > -");
    EXPECT_EQ(ToCp1251("№"), "\xB9");
    EXPECT_EQ(ToCp1251("€"), "\x88");
    EXPECT_EQ(ToCp1251("日本"), "??");
    EXPECT_EQ(ToCp1251("a\xC3"), "a?"); // cut-off UTF-8 sequence
}
