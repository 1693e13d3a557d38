#include "CommandLine.h"

#include "keep/KeptFileNames.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <utility>

namespace {

// A terabyte: larger files gain nothing, and the byte count stays far from overflowing.
constexpr int kMaxFileMb = 1024 * 1024;

const char* const kDescription =
    "Shows live video (a camera, a stream or a video file) with the results of an AI back-end drawn over it:\n"
    "a USB AI dongle (InferenceMode \"NX310\") or an external detector reached over two named pipes\n"
    "(InferenceMode \"FIFO\"). The settings file is completed with defaults and written back at every start;\n"
    "the options below change this run only and are never written into it.";

QString Usage(const QCommandLineParser& parser)
{
    const QString help = parser.helpText();
    return help.left(help.indexOf(QLatin1Char('\n')));
}

CommandLine Exit(int status, const QString& text)
{
    CommandLine result;
    result.exitStatus = status;
    result.text = text;
    return result;
}

CommandLine UsageError(const QCommandLineParser& parser, const QString& what)
{
    return Exit(kUsageErrorStatus,
                QCoreApplication::applicationName() + QStringLiteral(": ") + what + QLatin1Char('\n') + Usage(parser)
                    + QLatin1Char('\n'));
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    // Qt's own help option would offer --help-all for Qt's options, which
    // this program does not pass on to Qt.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Display this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Display the version and exit."));
    const QCommandLineOption camera(
        QStringLiteral("camera"),
        QStringLiteral("Watch SOURCE instead of the Camera setting: a camera index (0), a device (/dev/video2), "
                       "a stream address (rtsp://...) or a video file."),
        QStringLiteral("SOURCE"));
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("Use this back-end instead of the InferenceMode setting: FIFO "
                                                 "(an external detector) or NX310 (the USB dongle), upper case."),
                                  QStringLiteral("FIFO|NX310"));
    const QCommandLineOption fullScreen(QStringLiteral("fullscreen"), QStringLiteral("Open the window full screen."));
    const QCommandLineOption noWindow(QStringLiteral("no-window"),
                                      QStringLiteral("Show no window; the video is still read and inferred. "
                                                     "SIGINT or SIGTERM ends the program."));
    const QCommandLineOption stats(QStringLiteral("stats"),
                                   QStringLiteral("Show the statistics overlay from the start (F4 toggles it)."));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("At exit, write the run's statistics report to FILE as JSON."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Record what the window shows, results included, into FILE (.mkv or .avi); F6 stops it."),
        QStringLiteral("FILE"));
    const QCommandLineOption recordMaxMb(
        QStringLiteral("record-max-mb"),
        QStringLiteral("Start a new numbered recording file (out.2.mkv, ...) when one reaches N MB. Default: 1024."),
        QStringLiteral("N"));
    const QCommandLineOption results(
        QStringLiteral("results"),
        QStringLiteral("Append one JSON line per answer that brought results to FILE (JSON Lines)."),
        QStringLiteral("FILE"));
    const QCommandLineOption resultsMaxMb(
        QStringLiteral("results-max-mb"),
        QStringLiteral("Continue the results log in a new numbered file when one reaches N MB. Default: 256."),
        QStringLiteral("N"));
    const QCommandLineOption snapshotDir(
        QStringLiteral("snapshot-dir"),
        QStringLiteral("Save snapshots (F5) and recordings started by F6 in DIR. Default: the pictures folder."),
        QStringLiteral("DIR"));
    parser.addOptions({help, version, camera, mode, fullScreen, noWindow, stats, report, record, recordMaxMb, results,
                       resultsMaxMb, snapshotDir});
    parser.addPositionalArgument(
        QStringLiteral("settings.json"),
        QStringLiteral("The settings file. Default: ../jsonconfig/VireoOwlEdgeSettings.json beside the executable "
                       "where that folder exists, else ~/.config/vireo-owl-edge/VireoOwlEdgeSettings.json "
                       "($XDG_CONFIG_HOME/vireo-owl-edge/...)."),
        QStringLiteral("[settings.json]"));

    const bool parsed = parser.parse(arguments);
    // Help and version answer whatever else the line holds.
    if (parser.isSet(help))
        return Exit(0, parser.helpText());
    if (parser.isSet(version))
        return Exit(0, QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion()
                           + QLatin1Char('\n'));
    if (!parsed)
        return UsageError(parser, parser.errorText());

    CommandLine result;
    RunOptions& options = result.options;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return UsageError(parser, QStringLiteral("one settings file at most, not %1: %2")
                                      .arg(positional.size())
                                      .arg(positional.join(QStringLiteral(", "))));
    if (positional.size() == 1) {
        if (positional.first().isEmpty())
            return UsageError(parser, QStringLiteral("the settings file name is empty"));
        options.settingsPath = QFile::encodeName(positional.first()).toStdString();
    }
    if (parser.isSet(camera)) {
        const QString source = parser.value(camera);
        if (source.trimmed().isEmpty())
            return UsageError(parser, QStringLiteral("--camera needs a source (an index, a device, a stream "
                                                     "address or a file), not an empty text"));
        options.overrides.camera = source.toStdString();
    }
    if (parser.isSet(mode)) {
        const QString text = parser.value(mode);
        options.overrides.inferenceMode = ParseInferenceMode(text.toStdString());
        if (!options.overrides.inferenceMode)
            return UsageError(parser, QStringLiteral("--mode %1 is not a mode; use %2 (upper case)")
                                          .arg(text.isEmpty() ? QStringLiteral("\"\"") : text,
                                               QString::fromLatin1(kInferenceModeTexts)));
    }
    options.overrides.fullScreen = parser.isSet(fullScreen);
    options.overrides.noWindow = parser.isSet(noWindow);
    if (options.overrides.fullScreen && options.overrides.noWindow)
        return UsageError(parser, QStringLiteral("--fullscreen and --no-window contradict each other; give one"));
    options.showStats = parser.isSet(stats);
    if (parser.isSet(report)) {
        options.reportPath = parser.value(report);
        if (options.reportPath.isEmpty())
            return UsageError(parser, QStringLiteral("--report needs a file name"));
    }
    if (parser.isSet(record)) {
        options.recordPath = parser.value(record);
        const QString problem = RecordingPathProblem(options.recordPath);
        if (!problem.isEmpty())
            return UsageError(parser, QStringLiteral("--record ") + problem);
    }
    if (parser.isSet(results)) {
        options.resultsPath = parser.value(results);
        if (options.resultsPath.isEmpty())
            return UsageError(parser, QStringLiteral("--results needs a file name"));
        if (!options.recordPath.isEmpty() && SameFile(options.recordPath, options.resultsPath))
            return UsageError(parser, QStringLiteral("--record and --results name the same file %1; give two files")
                                          .arg(options.resultsPath));
    }
    for (const auto& [option, value] : {std::pair{&recordMaxMb, &options.recordMaxMb},
                                        std::pair{&resultsMaxMb, &options.resultsMaxMb}}) {
        if (!parser.isSet(*option))
            continue;
        bool isNumber = false;
        const QString text = parser.value(*option);
        *value = text.toInt(&isNumber);
        if (!isNumber || *value < 1 || *value > kMaxFileMb)
            return UsageError(parser, QStringLiteral("--%1 %2 is not a size; give whole megabytes from 1 to %3")
                                          .arg(option->names().first(), text.isEmpty() ? QStringLiteral("\"\"") : text)
                                          .arg(kMaxFileMb));
    }
    if (parser.isSet(snapshotDir)) {
        options.snapshotDir = parser.value(snapshotDir);
        if (options.snapshotDir.isEmpty())
            return UsageError(parser, QStringLiteral("--snapshot-dir needs a folder"));
    }
    return result;
}
