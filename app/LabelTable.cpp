#include "LabelTable.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>

#include <climits>

namespace {

constexpr qint64 kMaxLabelFileBytes = 1 << 20;

// Adds the class a line names to `table`; false for an id beyond int.
bool AddLine(QString line, ClassTable& table)
{
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    QStringList parts = line.split(QLatin1Char(' '));
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    static const QRegularExpression digits(QStringLiteral("\\A\\d*\\z"));
    if (parts.size() < 2 || !digits.match(parts.first()).hasMatch())
        return true;
    bool inRange = true;
    const int id = parts.first().isEmpty() ? 0 : parts.first().toInt(&inRange, 10);
    if (!inRange)
        return false;
    parts.removeFirst();
    table[id] = parts.join(QLatin1Char(' ')).toStdString();
    return true;
}

}  // namespace

std::optional<ClassTable> LoadLabelTable(const std::string& path, QString& error)
{
    const QString name = QString::fromStdString(path);
    const QFileInfo info(name);
    if (!info.isFile()) {
        error = info.exists() ? QStringLiteral("is not a file") : QStringLiteral("does not exist");
        return std::nullopt;
    }
    if (info.size() > kMaxLabelFileBytes) {
        error = QStringLiteral("is larger than 1 MiB");
        return std::nullopt;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0) {
        error = QStringLiteral("is not UTF-8 text");
        return std::nullopt;
    }
    ClassTable table;
    int lineNumber = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        ++lineNumber;
        if (!AddLine(line, table)) {
            error = QStringLiteral("line %1 has an id beyond %2").arg(lineNumber).arg(INT_MAX);
            return std::nullopt;
        }
    }
    if (table.empty() && !text.trimmed().isEmpty()) {
        error = QStringLiteral("has no line of the form \"<id> <name>\"");
        return std::nullopt;
    }
    return table;
}
