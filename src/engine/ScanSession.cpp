#include "engine/ScanSession.h"

#include "engine/DigestCache.h"
#include "platform/TAppFrame.h"

namespace veridon {
namespace {

constexpr int kDisplayEvery = 21;
constexpr int kDisplayIntervalMs = 100;
constexpr int kFileProgressShare = 46;

} // namespace

ScanSession::ScanSession(ScanHost& host, Environment& environment, ScanOptions options)
    : m_host(host), m_environment(environment), m_options(std::move(options))
{
}

ScanSession::~ScanSession() = default;

const TAppFrame& ScanSession::appFrame()
{
    if (!m_appFrame)
        m_appFrame = std::make_unique<TAppFrame>(m_environment, QString());
    return *m_appFrame;
}

void ScanSession::setScanCache(std::unique_ptr<DigestCache> cache)
{
    m_cache = std::move(cache);
}

std::unique_ptr<DigestCache> ScanSession::takeScanCache()
{
    return std::move(m_cache);
}

bool ScanSession::stopRequested()
{
    m_pause.pass();
    return m_stop.load(std::memory_order_relaxed);
}

void ScanSession::requestStop()
{
    m_stop = true;
    m_pause.release();
}

void ScanSession::handOver(int check, int signatureIndex, const QString& threatName,
                           const QString& typeText, const QString& objectText,
                           const QString& extraText, bool cookie)
{
    ++m_infected;
    m_handedOver.append(objectText);
    TDetectionRecord record{threatName,
                            typeText,
                            objectText,
                            extraText,
                            QString::number(check) + QLatin1Char('-') +
                                QString::number(signatureIndex + 1),
                            cookie ? m_options.cookieRiskLevel : m_options.riskLevel};
    // The host refuses duplicates and white-listed objects; the counter then
    // goes back, so it always agrees with the rows.
    if (!m_host.addDetection(record, m_infected))
        --m_infected;
}

bool ScanSession::displayDue()
{
    if (m_scanned % kDisplayEvery != 0)
        return false;
    if (m_sinceDisplay.isValid() && m_sinceDisplay.elapsed() < kDisplayIntervalMs)
        return false;
    m_sinceDisplay.start();
    return true;
}

void ScanSession::showObject(const QString& objectText)
{
    if (displayDue())
        m_host.showObject(objectText, m_scanned, m_infected);
}

void ScanSession::showObjectWithFileProgress(const QString& objectText)
{
    if (!displayDue())
        return;
    m_host.showObject(objectText, m_scanned, m_infected);
    if (m_filesExamined > m_fileEstimate)
        m_fileEstimate = m_filesExamined;
    setProgress(m_areaBase + int(m_filesExamined * kFileProgressShare / m_fileEstimate),
                m_maximum);
}

void ScanSession::showObjectGrowing(const QString& objectText)
{
    if (!displayDue())
        return;
    m_host.showObject(objectText, m_scanned, m_infected);
    setProgress(m_position + 1, m_maximum + 1);
}

void ScanSession::showArea(const QString& statusText)
{
    m_host.showArea(statusText);
}

void ScanSession::resetProgress()
{
    m_position = 2;
    m_maximum = 100;
    m_host.resetProgress();
}

void ScanSession::areaStep(int itemIndex, int itemCount, int share)
{
    const int offset = itemCount > 1 ? itemIndex * share / (itemCount - 1) : share;
    setProgress(m_areaBase + offset, m_maximum);
}

void ScanSession::finishProgress()
{
    setProgress(100, 100);
}

void ScanSession::setProgress(int position, int maximum)
{
    m_position = position;
    m_maximum = maximum;
    m_host.setProgress(position, maximum);
}

} // namespace veridon
