#pragma once

#include "engine/ResultsModel.h"
#include "engine/ScanHost.h"
#include "remedy/RemovalHost.h"

#include <QString>

#include <cstdio>

namespace veridon::cli {

// The window of the command line: rows go into a results model, and on a
// terminal a live progress line on standard error shows the area, the counters
// and the object being checked. Off a terminal nothing of it is written.
class CliScanHost : public ScanHost, public RemovalHost
{
public:
    // `progressStream` is null when no progress line is wanted.
    explicit CliScanHost(std::FILE* progressStream);
    ~CliScanHost() override;

    ResultsModel& results() { return m_results; }

    // Ends the progress line (clears it), so later output starts on a clean line.
    void endProgress();

    // ScanHost
    void beginRun(const QStringList& whiteList) override;
    void resetProgress() override;
    void showArea(const QString& statusText) override;
    void showObject(const QString& objectText, std::int64_t scanned,
                    std::int64_t infected) override;
    void setProgress(int position, int maximum) override;
    bool addDetection(const TDetectionRecord& record, std::int64_t infected) override;
    void postCommand(int code, int param) override;

    // RemovalHost
    void setStatus(const QString& text) override;
    void setCaption(std::size_t row, const QString& caption) override;
    void setImageIndex(std::size_t row, int imageIndex) override;

private:
    void draw();

    ResultsModel m_results;
    std::FILE* m_stream;
    QString m_area;
    QString m_object;
    std::int64_t m_scanned = 0;
    std::int64_t m_infected = 0;
    int m_percent = 0;
    bool m_drawn = false;
};

} // namespace veridon::cli
