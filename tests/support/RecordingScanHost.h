#pragma once

#include "engine/ResultsModel.h"
#include "engine/ScanHost.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace veridon::test {

// A scan host that keeps what the scan thread told it: rows in a real
// ResultsModel (so duplicate and white-list rules apply), every posted command,
// the areas shown and the progress positions.
class RecordingScanHost : public ScanHost
{
public:
    ResultsModel results;
    std::vector<std::pair<int, int>> commands;
    QStringList areas;
    QStringList objectsShown;
    std::vector<int> positions;
    std::int64_t lastInfected = 0;
    // Called on every hand-over before the model sees it (to stop or pause a run).
    std::function<void(const TDetectionRecord&)> onDetection;

    void beginRun(const QStringList& whiteList) override { results.beginRun(whiteList); }
    void resetProgress() override { positions.push_back(2); }
    void showArea(const QString& statusText) override { areas.append(statusText); }
    void showObject(const QString& objectText, std::int64_t, std::int64_t) override
    {
        objectsShown.append(objectText);
    }
    void setProgress(int position, int) override { positions.push_back(position); }
    bool addDetection(const TDetectionRecord& record, std::int64_t infected) override
    {
        lastInfected = infected;
        if (onDetection)
            onDetection(record);
        return results.add(record);
    }
    void postCommand(int code, int param) override { commands.emplace_back(code, param); }

    // The rows as "id type object" texts, for compact assertions.
    QStringList rowTexts() const
    {
        QStringList texts;
        for (const ResultRow& row : results.rows())
            texts.append(row.record.idCode + QLatin1Char(' ') + row.record.typeText +
                         QLatin1Char(' ') + row.record.objectText);
        return texts;
    }
};

} // namespace veridon::test
