#include "ProtocolPages.h"

#include <gtest/gtest.h>

namespace {

const std::string kUnderscores(75, '_');

TEST(ProtocolPagesTest, TemplatesHaveTheirLinesWithinThePageWidth)
{
    ASSERT_EQ(FirstPageTemplate().size(), 55u);
    ASSERT_EQ(SecondPageTemplate().size(), 43u);
    for (const auto& line : FirstPageTemplate())
        EXPECT_LE(CharCount(line), PageWidth) << line;
    for (const auto& line : SecondPageTemplate())
        EXPECT_LE(CharCount(line), PageWidth) << line;
    EXPECT_EQ(FirstPageTemplate()[9], "                      АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ N _____");
    EXPECT_EQ(FirstPageTemplate()[23], kUnderscores);
    EXPECT_EQ(SecondPageTemplate()[41], "М.П.");
}

TEST(ProtocolPagesTest, ActCarriesNameTimeInstrumentAndResult)
{
    const std::vector<std::string> act = BuildAct("21.03 14:07 > Кузнецов П.С.  -  0.8");
    ASSERT_EQ(act.size(), 55u);
    EXPECT_EQ(act[23], "Кузнецов П.С. " + std::string(75 - 14, '_'));
    EXPECT_EQ(act[31], "Начало проведения освидетельствования 21.03 14:07" + std::string(75 - 49, '_'));
    EXPECT_EQ(act[45], "Проба 1. Название прибора ___________\"Каврел 12к\"" + std::string(75 - 49, '_'));
    EXPECT_EQ(act[46], "результат " + std::string(27, '_') + "0.8" + std::string(19, '_') + " в 14  ч 07  мин");
    for (int i : {23, 31, 45, 46})
        EXPECT_EQ(CharCount(act[i]), 75) << i;
    // Nothing else is touched.
    for (int i = 0; i < 55; ++i) {
        if (i != 23 && i != 31 && i != 45 && i != 46) {
            EXPECT_EQ(act[i], FirstPageTemplate()[i]) << i;
        }
    }
}

TEST(ProtocolPagesTest, ActForEmptyNameLeavesTheNameLineBlank)
{
    const std::vector<std::string> act = BuildAct("21.03 14:07 >   -  0.8");
    EXPECT_EQ(act[23], kUnderscores);
    EXPECT_NE(act[31], FirstPageTemplate()[31]);
    EXPECT_NE(act[45], FirstPageTemplate()[45]);
    EXPECT_NE(act[46].find("0.8"), std::string::npos);
    EXPECT_NE(act[46].find(" 14  ч 07  мин"), std::string::npos);
}

TEST(ProtocolPagesTest, BlankGridRowGivesTheBlankFirstPage)
{
    EXPECT_EQ(BuildAct(" "), FirstPageTemplate());
    EXPECT_EQ(BuildAct(""), FirstPageTemplate());
}

TEST(ProtocolPagesTest, ResultOfTenPromilleOrMoreKeepsAllItsDigits)
{
    const ActEntry e = ReadActEntry("07.12 09:05 > N  -  12.3");
    EXPECT_TRUE(e.hasValue);
    EXPECT_EQ(e.dateTime, "07.12 09:05");
    EXPECT_EQ(e.namePart, "N ");
    EXPECT_EQ(e.result, "12.3");
    const std::vector<std::string> act = BuildAct("07.12 09:05 > N  -  12.3");
    EXPECT_EQ(CharCount(act[46]), 75);
    EXPECT_EQ(act[46], "результат " + std::string(27, '_') + "12.3" + std::string(18, '_') + " в 09  ч 05  мин");
    EXPECT_NE(act[46].find(" 09  ч 05  мин"), std::string::npos);
}

TEST(ProtocolPagesTest, VisiblePageIsTheFirstFiftyFiveLinesCutToSeventyFive)
{
    std::vector<std::string> text;
    for (int i = 0; i < 80; ++i)
        text.push_back("line " + std::to_string(i));
    text[3] = std::string(70, ' ') + "ЖЖЖЖЖЖЖЖ"; // 78 characters, two bytes each past 70
    const std::vector<std::string> page = VisiblePage(text);
    ASSERT_EQ(page.size(), 55u);
    EXPECT_EQ(page.back(), "line 54");
    EXPECT_EQ(page[3], std::string(70, ' ') + "ЖЖЖЖЖ");
    EXPECT_EQ(VisiblePage({"a", "b"}).size(), 2u);
}

} // namespace
