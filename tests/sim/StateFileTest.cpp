// Bank 2's state file: what is saved loads back whole, and nothing short
// of a whole bank is ever taken.
#include "StateFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TBank2 Pattern()
{
    TBank2 words{};
    for (std::size_t a = 0; a < words.size(); ++a)
        words[a] = static_cast<std::int32_t>((a * 257 + 3) % 65536);
    words[255] = 65535;
    return words;
}

TEST(StateFile, ASavedBankLoadsBackAndAMissingFileIsToldApart)
{
    TempDir dir;
    TBank2 words{};
    std::string error;
    EXPECT_EQ(LoadBank2("bank.txt", words, error), TStateLoad::Missing);
    ASSERT_TRUE(SaveBank2("bank.txt", Pattern(), error)) << error;
    EXPECT_EQ(LoadBank2("bank.txt", words, error), TStateLoad::Loaded);
    EXPECT_EQ(words, Pattern());

    std::ifstream in("bank.txt");
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "kavrel-sim bank 2");
    EXPECT_EQ(second, "0 3");
}

TEST(StateFile, EveryCutOfTheFileAndEveryBadLineIsRefused)
{
    const std::string text = FormatBank2(Pattern());
    TBank2 words{};
    std::string error;
    for (std::size_t n = 0; n + 1 < text.size(); ++n)
        EXPECT_FALSE(ParseBank2(text.substr(0, n), words, error)) << "cut at " << n;
    EXPECT_EQ(words, TBank2{}); // nothing taken from a refused file
    ASSERT_TRUE(ParseBank2(text, words, error));

    const auto broken = [&](const std::string& from, const std::string& to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    EXPECT_FALSE(ParseBank2(broken("\n7 ", "\n8 "), words, error)); // addresses out of order
    EXPECT_NE(error.find("line 9"), std::string::npos) << error;
    EXPECT_FALSE(ParseBank2(broken("255 65535", "255 65536"), words, error));
    EXPECT_FALSE(ParseBank2(broken("\n1 260", "\n1 -1"), words, error));
    EXPECT_FALSE(ParseBank2(broken("\n2 517", "\n2 517x"), words, error));
    EXPECT_FALSE(ParseBank2(text + "more\n", words, error));
    EXPECT_FALSE(ParseBank2("kavrel-sim bank 1\n" + text.substr(text.find('\n') + 1), words, error));

    TempDir dir;
    std::filesystem::create_directory("bank.txt");
    EXPECT_EQ(LoadBank2("bank.txt", words, error), TStateLoad::Damaged);
}

} // namespace
