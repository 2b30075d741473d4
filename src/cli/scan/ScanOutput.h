#pragma once

#include "engine/ResultsModel.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace veridon::cli {

enum class OutputFormat
{
    Text, // for people
    Tsv,  // one line per row, tab-separated
    Json, // an array of objects
};

std::optional<OutputFormat> parseOutputFormat(const QString& name);

// The rows in the chosen format (UTF-8). `withCaption` adds each row's caption
// (after a removal it tells what became of the object). `summary` is the text
// format's closing line.
QByteArray formatRows(const std::vector<ResultRow>& rows, OutputFormat format, bool withCaption,
                      const QString& summary = {});

} // namespace veridon::cli
