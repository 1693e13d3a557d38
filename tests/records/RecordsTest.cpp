#include "HostLibAdapter/FdFrResult.h"
#include "HostLibAdapter/ObjectClassName.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaType>
#include <QObject>

namespace {

TEST(ObjectClassName, NamesEveryIndexOfTheTableAndNothingElse)
{
    const struct {
        int index;
        const char* name;
    } cases[] = {{0, "Person"}, {8, "Boat"}, {9, "Traffice Light"}, {31, "snowboard"}, {79, "Toothbrush"},
                 {80, ""},      {-1, ""},    {1 << 30, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(ObjectClassName(c.index), QString::fromUtf8(c.name)) << c.index;
    for (int i = 0; i < 80; ++i)
        EXPECT_FALSE(ObjectClassName(i).isEmpty()) << i;
}

TEST(FdFrResult, FreshRecordHasNoClass)
{
    const FdFrResult r;
    EXPECT_EQ(r.ClassId, -1);
    EXPECT_EQ(r.X | r.Y | r.Width | r.Height | r.Age | r.Male | r.Female, 0);
}

class ResultSender : public QObject {
    Q_OBJECT
signals:
    void SigList(std::vector<FdFrResult> ResultList);
};

TEST(FdFrResult, ListsTravelThroughQueuedConnections)
{
    const int id = RegisterFdFrResultListMetaType();
    EXPECT_EQ(id, RegisterFdFrResultListMetaType());
    EXPECT_EQ(QMetaType::type("std::vector<FdFrResult>"), id);

    ResultSender sender;
    std::vector<FdFrResult> received;
    QObject::connect(&sender, &ResultSender::SigList, &sender,
                     [&](std::vector<FdFrResult> list) { received = std::move(list); }, Qt::QueuedConnection);
    FdFrResult r;
    r.ClassId = 15;
    emit sender.SigList({r, r});
    QCoreApplication::processEvents();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].ClassId, 15);
}

}  // namespace

#include "RecordsTest.moc"
