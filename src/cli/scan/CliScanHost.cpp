#include "cli/scan/CliScanHost.h"

namespace veridon::cli {
namespace {

constexpr int kLineWidth = 100;

} // namespace

CliScanHost::CliScanHost(std::FILE* progressStream) : m_stream(progressStream) {}

CliScanHost::~CliScanHost()
{
    endProgress();
}

void CliScanHost::draw()
{
    if (!m_stream)
        return;
    QString line = QStringLiteral("%1% %2 | scanned %3 | infected %4 | ")
                       .arg(m_percent, 3)
                       .arg(m_area)
                       .arg(m_scanned)
                       .arg(m_infected);
    const qsizetype room = kLineWidth - line.size();
    if (room > 3)
        line += m_object.size() <= room ? m_object
                                        : QStringLiteral("...") + m_object.right(room - 3);
    line = line.left(kLineWidth);
    std::fprintf(m_stream, "\r\033[K%s", line.toLocal8Bit().constData());
    std::fflush(m_stream);
    m_drawn = true;
}

void CliScanHost::endProgress()
{
    if (m_stream && m_drawn) {
        std::fputs("\r\033[K", m_stream);
        std::fflush(m_stream);
        m_drawn = false;
    }
}

void CliScanHost::beginRun(const QStringList& whiteList)
{
    m_results.beginRun(whiteList);
}

void CliScanHost::resetProgress()
{
    m_percent = 2;
    m_object.clear();
    draw();
}

void CliScanHost::showArea(const QString& statusText)
{
    m_area = statusText;
    draw();
}

void CliScanHost::showObject(const QString& objectText, std::int64_t scanned,
                             std::int64_t infected)
{
    m_object = objectText;
    m_scanned = scanned;
    m_infected = infected;
    draw();
}

void CliScanHost::setProgress(int position, int maximum)
{
    const int percent = maximum > 0 ? int(qint64(position) * 100 / maximum) : 0;
    if (percent != m_percent) {
        m_percent = percent;
        draw();
    }
}

bool CliScanHost::addDetection(const TDetectionRecord& record, std::int64_t infected)
{
    const bool added = m_results.add(record);
    m_infected = added ? infected : infected - 1;
    return added;
}

void CliScanHost::postCommand(int, int) {}

void CliScanHost::setStatus(const QString& text)
{
    m_area = text;
    m_object.clear();
    draw();
}

void CliScanHost::setCaption(std::size_t row, const QString& caption)
{
    auto& rows = m_results.rows();
    if (row < rows.size()) {
        rows[row].caption = caption;
        m_object = caption;
    }
}

void CliScanHost::setImageIndex(std::size_t row, int imageIndex)
{
    auto& rows = m_results.rows();
    if (row < rows.size())
        rows[row].imageIndex = imageIndex;
}

} // namespace veridon::cli
