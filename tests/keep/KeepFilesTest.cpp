// The files a run keeps when the disk fills, when they grow past their
// limit, and when snapshots come faster than they can be written. A plain
// recording and results log are the program test's.

#include "RecordingFile.h"

#include "keep/KeptFileNames.h"
#include "keep/ResultsLog.h"
#include "keep/ShownRecorder.h"

#include "CaseName.h"
#include "FileSizeLimit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <json/reader.h>
#include <opencv2/videoio.hpp>

#include <QDir>
#include <QTest>

namespace {

// Noise, so that every frame of the video costs many bytes and the file
// grows with each (a real camera's pictures do within a second).
QImage Picture(int i)
{
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 80));
    quint32 state = 2654435761u * quint32(i + 1);
    for (int y = 40; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, state >> 8);
        }
    return picture;
}

int FramesIn(const std::string& path)
{
    cv::VideoCapture video(path);
    int frames = 0;
    for (cv::Mat frame; video.read(frame);)
        ++frames;
    return frames;
}

struct FileCase {
    const char* name;
    const char* file;      // in the test's folder
    rlim_t fileSizeLimit;  // 0: none
    qint64 maxFileBytes;
    bool stops;            // a line says the file stopped, and nothing more is written
    const char* numbered;  // a continuation file that must be there; "" none
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class ResultsLogFiles : public ::testing::TestWithParam<FileCase> {};

// Every line that is in the files parses; a failure is said once and stops the log.
TEST_P(ResultsLogFiles, KeepWholeLinesAndSayAFailureOnce)
{
    const FileCase& c = GetParam();
    TempDir dir;
    QStringList said;
    ResultsLog log(QString::fromStdString(dir.File(c.file)), c.maxFileBytes,
                   [&said](const QString& line) { said << line; });
    Json::Value line;
    line["time"] = "2026-12-07T10:00:00.000+01:00";
    line["boxes"][0]["rect"] = Json::arrayValue;
    int written = 0;
    {
        const FileSizeLimit limit(c.fileSizeLimit);
        ASSERT_TRUE(limit.ok);
        for (int i = 0; i < 200; ++i) {
            line["frame"] = i;
            written += log.Append(line);
        }
    }
    EXPECT_EQ(std::make_pair(said.size(), log.CurrentState() == ResultsLog::State::Failed),
              std::make_pair(c.stops ? 1 : 0, c.stops))
        << said.join('\n').toStdString();
    EXPECT_TRUE(!*c.numbered || QFile::exists(QString::fromStdString(dir.File(c.numbered)))) << c.numbered;
    int parsed = 0;
    for (int number = 1; number < 100; ++number) {
        QFile file(NumberedPath(QString::fromStdString(dir.File(c.file)), number));
        if (!file.open(QIODevice::ReadOnly))
            break;
        EXPECT_LE(file.size(), std::max<qint64>(c.maxFileBytes, 200)) << file.fileName().toStdString();
        for (const QByteArray& text : file.readAll().split('\n')) {
            if (text.isEmpty())
                continue;
            Json::Value read;
            std::string errors;
            std::istringstream in(text.toStdString());
            ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &read, &errors)) << text.toStdString();
            EXPECT_EQ(read["frame"].asInt(), parsed++) << "a line lost or twice";
        }
    }
    EXPECT_EQ(parsed, written);
    EXPECT_TRUE(written > 0 || (c.stops && c.fileSizeLimit == 0)) << "nothing written";
}

INSTANTIATE_TEST_SUITE_P(Cases, ResultsLogFiles, ::testing::Values(
    FileCase{"rotates_to_numbered_files", "out.jsonl", 0, 4000, false, "out.3.jsonl"},
    FileCase{"disk_full", "out.jsonl", 3000, 1 << 20, true, ""},
    FileCase{"folder_missing", "missing/out.jsonl", 0, 1 << 20, true, ""}), CaseName());

class RecordingFiles : public ::testing::TestWithParam<FileCase> {};

// The writer reports nothing; the file's growth is watched. What a stopped
// recording holds stays readable.
TEST_P(RecordingFiles, StopWithOneLineAndStayPlayable)
{
    const FileCase& c = GetParam();
    TempDir dir;
    RecordingLimits limits;
    limits.maxFileBytes = c.maxFileBytes;
    limits.minFreeBytes = 0;
    limits.stallSeconds = 6;  // longer than a Matroska cluster
    RecordingFile file(QString::fromStdString(dir.File(c.file)), 10, cv::Size(320, 240), limits);
    QString stop = file.Open();
    const auto start = RecordingFile::Clock::now();
    int pictures = 0;
    {
        const FileSizeLimit limit(c.fileSizeLimit);
        ASSERT_TRUE(limit.ok);
        // Half a second of video per picture: ten seconds, without waiting for them.
        for (; stop.isEmpty() && pictures < 20; ++pictures)
            stop = file.Add(Picture(pictures), start + std::chrono::milliseconds(500 * pictures));
        file.Close(start + std::chrono::milliseconds(500 * pictures));
    }
    EXPECT_EQ(!stop.isEmpty(), c.stops) << stop.toStdString();
    if (!c.stops) {
        EXPECT_EQ(file.FramesWritten(), 100u) << "ten seconds at ten pictures a second";
        int frames = 0;
        for (int number = 1; QFile::exists(NumberedPath(QString::fromStdString(dir.File(c.file)), number)); ++number)
            frames += FramesIn(NumberedPath(QString::fromStdString(dir.File(c.file)), number).toStdString());
        EXPECT_EQ(frames, 100);
    } else if (c.fileSizeLimit > 0) {
        EXPECT_LT(pictures, 20) << "the full disk was not noticed";
        EXPECT_GT(FramesIn(dir.File(c.file)), 5) << "what was written before the disk filled is lost";
    }
    EXPECT_TRUE(!*c.numbered || QFile::exists(QString::fromStdString(dir.File(c.numbered)))) << c.numbered;
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordingFiles, ::testing::Values(
    FileCase{"avi_rotates_to_numbered_files", "out.avi", 0, 60000, false, "out.2.avi"},
    FileCase{"disk_full", "out.mkv", 150000, 1 << 30, true, ""},
    FileCase{"folder_missing", "missing/out.mkv", 0, 1 << 30, true, ""}), CaseName());

// F5 held down: snapshots that cannot be written in time are skipped, none
// overwrites another or a file that was there.
TEST(Snapshots, ABurstNeverOverwritesAndEveryPressIsSavedOrSkipped)
{
    TempDir dir;
    const QString folder = QString::fromStdString(dir.File("new/pictures"));
    const QDateTime at = QDateTime::currentDateTime();
    QDir().mkpath(folder);
    const QString taken = KeptName(folder, at, 7, QStringLiteral("png"));
    WriteText(taken.toStdString(), "mine");
    ShownRecorder recorder;
    // Queued to this thread, as the window receives them.
    QObject receiver;
    QStringList names;
    QObject::connect(&recorder, &ShownRecorder::SigSnapshotSaved, &receiver,
                     [&names](const QString& path) { names << path; });
    int accepted = 0;
    for (int press = 0; press < 50; ++press)
        accepted += recorder.Snapshot(Picture(press), folder, at, 7);
    // A QTRY_ macro would time out without failing inside a GoogleTest test.
    ASSERT_TRUE(QTest::qWaitFor([&] { return names.size() >= accepted; }, 30000))
        << names.size() << " of " << accepted;
    EXPECT_GE(accepted, 4);
    EXPECT_EQ(ReadText(taken.toStdString()), "mine");
    names.removeDuplicates();
    EXPECT_EQ(names.size(), accepted);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), accepted + 1);
    EXPECT_EQ(QImage(names.last()).pixelColor(0, 0), QColor(0, 0, 80)) << "the picture as it was handed over";
}

}  // namespace
