#include "HostLibAdapter/FdFrResult.h"
#include "HostLibAdapter/ObjectClassName.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

#include <climits>
#include <set>

namespace {

// A class id from the dongle is not trusted: one outside the table has no
// name (and must not read past it); inside, every index names its own class.
TEST(ObjectClassName, OnlyIndicesOfTheTableHaveNamesAndNoTwoAlike)
{
    for (const int outside : {-1, 80, 1 << 30, INT_MIN})
        EXPECT_TRUE(ObjectClassName(outside).isEmpty()) << outside;
    std::set<QString> names;
    for (int i = 0; i < 80; ++i)
        names.insert(ObjectClassName(i));
    EXPECT_EQ(names.size(), 80u);
    EXPECT_EQ(names.count(QString()), 0u);
}

class ResultSender : public QObject {
    Q_OBJECT
signals:
    void SigList(std::vector<FdFrResult> ResultList);
};

// The device's results reach the window through a queued connection, whose
// arguments Qt copies only for registered types.
TEST(FdFrResult, ListsTravelThroughQueuedConnections)
{
    RegisterFdFrResultListMetaType();
    ResultSender sender;
    std::vector<FdFrResult> received;
    QObject::connect(&sender, &ResultSender::SigList, &sender,
                     [&](std::vector<FdFrResult> list) { received = std::move(list); }, Qt::QueuedConnection);
    FdFrResult r;
    r.ClassId = 15;
    emit sender.SigList({r, r});
    EXPECT_TRUE(received.empty()) << "queued, not called at once";
    QCoreApplication::processEvents();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].ClassId, 15);
}

}  // namespace

#include "RecordsTest.moc"
