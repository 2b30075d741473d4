#include "cli/scan/ScanOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace veridon::cli {
namespace {

// A field of a tab-separated line: tabs and line ends inside it (possible in
// registry data) would break the columns, so they become blanks.
QString tsvField(QString text)
{
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}

} // namespace

std::optional<OutputFormat> parseOutputFormat(const QString& name)
{
    if (name == QLatin1String("text"))
        return OutputFormat::Text;
    if (name == QLatin1String("tsv"))
        return OutputFormat::Tsv;
    if (name == QLatin1String("json"))
        return OutputFormat::Json;
    return std::nullopt;
}

QByteArray formatRows(const std::vector<ResultRow>& rows, OutputFormat format, bool withCaption,
                      const QString& summary)
{
    switch (format) {
    case OutputFormat::Tsv: {
        QString out;
        for (const ResultRow& row : rows) {
            const TDetectionRecord& r = row.record;
            QStringList fields{tsvField(r.threatName), tsvField(r.typeText),
                               tsvField(r.objectText), tsvField(r.extraText),
                               tsvField(r.idCode), QString::number(r.riskLevel)};
            if (withCaption)
                fields.append(tsvField(row.caption));
            out += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
        return out.toUtf8();
    }
    case OutputFormat::Json: {
        QJsonArray array;
        for (const ResultRow& row : rows) {
            const TDetectionRecord& r = row.record;
            QJsonObject object{{QStringLiteral("threatName"), r.threatName},
                               {QStringLiteral("type"), r.typeText},
                               {QStringLiteral("object"), r.objectText},
                               {QStringLiteral("extra"), r.extraText},
                               {QStringLiteral("id"), r.idCode},
                               {QStringLiteral("riskLevel"), r.riskLevel}};
            if (withCaption)
                object.insert(QStringLiteral("caption"), row.caption);
            array.append(object);
        }
        return QJsonDocument(array).toJson(QJsonDocument::Indented);
    }
    case OutputFormat::Text:
        break;
    }
    QString out;
    for (const ResultRow& row : rows) {
        const TDetectionRecord& r = row.record;
        out += QStringLiteral("%1  %2  %3  [%4]").arg(r.idCode, -6).arg(r.typeText, -15)
                   .arg(r.objectText, withCaption ? row.caption : r.threatName);
        if (!r.extraText.isEmpty())
            out += QStringLiteral("  (%1)").arg(r.extraText);
        out += QLatin1Char('\n');
    }
    if (!summary.isEmpty())
        out += summary + QLatin1Char('\n');
    return out.toUtf8();
}

} // namespace veridon::cli
