// What proves a write: the read-back compared word by word, and the texts
// the operator sees.
#include "WriteCheck.h"

#include "Registers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<TCommandItem> PathWrites(int zero, int supply)
{
    std::vector<TCommandItem> items;
    for (int i = 0; i < 3; ++i) {
        items.push_back(WriteItem(Bank2, 13, zero));
        items.push_back(WriteItem(Bank2, 25, supply));
    }
    return items;
}

} // namespace

TEST(WriteCheck, ReadBackConfirmsOrNamesEveryWordThatDiffers)
{
    TWriteCheck check;
    check.Begin(PathWrites(114, 5083));
    ASSERT_TRUE(check.Active());
    // Each word once, in the order of its first write.
    const auto reads = check.ReadBackItems();
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0], ReadItem(Bank2, 13));
    EXPECT_EQ(reads[1], ReadItem(Bank2, 25));

    // Bank 1 values and words not written prove nothing.
    check.Read(Bank1, 13, 114);
    check.Read(Bank2, 26, 4);
    check.Read(Bank2, 13, 114);
    check.Read(Bank2, 25, 5083);
    TWriteVerdict ok = check.Finish();
    EXPECT_TRUE(ok.Confirmed);
    EXPECT_FALSE(check.Active());
    EXPECT_EQ(ConfirmedText(ok, "калибровка тракта"),
              "Запись подтверждена: калибровка тракта, слов прочитано обратно: 2.");

    // A word that kept another value; one never read.
    check.Begin(PathWrites(114, 5083));
    check.Read(Bank2, 13, 140);
    TWriteVerdict bad = check.Finish();
    EXPECT_FALSE(bad.Confirmed);
    EXPECT_EQ(UnconfirmedText(bad, "калибровка тракта"),
              "Запись не подтверждена: калибровка тракта.\n"
              "Прибор хранит не то, что в него записано.\n"
              "слово 13: записано 114, прочитано 140\n"
              "слово 25: записано 5083, не прочитано\n"
              "Проверьте связь с прибором и запишите снова.");

    // Cut short: never confirmed, even when what came matched.
    check.Begin(PathWrites(114, 5083));
    check.Read(Bank2, 13, 114);
    check.Read(Bank2, 25, 5083);
    TWriteVerdict cut = check.Abort(WriteCut::NoReply);
    EXPECT_FALSE(cut.Confirmed);
    EXPECT_EQ(UnconfirmedText(cut, "дельта запуска"),
              "Запись не подтверждена: дельта запуска.\n"
              "Прибор перестал отвечать, записанное не прочитано обратно.\n"
              "Проверьте связь с прибором и запишите снова.");
    EXPECT_EQ(UnconfirmedText(check.Abort(WriteCut::Closed), "x").rfind(
                  "Запись не подтверждена: x.\nОбмен прерван до проверки записанного.", 0),
              0u);

    // Reads after the check are ignored; a list without writes checks nothing.
    check.Read(Bank2, 13, 1);
    check.Begin(std::vector<TCommandItem>{ReadItem(Bank2, 13)});
    EXPECT_FALSE(check.Active());
    EXPECT_FALSE(check.Finish().Confirmed);
}
