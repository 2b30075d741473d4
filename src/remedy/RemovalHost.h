#pragma once

#include <QString>

#include <cstddef>

namespace veridon {

// What removal asks of "the window": the status text, the progress bar, the
// outcome of each row, and the end message. Removal runs on the scan thread;
// the window applies these calls to its own list on its own thread (the rows
// are addressed by their index in the list removal was given), the command
// line applies them to its results model directly.
class RemovalHost
{
public:
    virtual ~RemovalHost() = default;

    virtual void setStatus(const QString& text) = 0;
    virtual void setProgress(int position, int maximum) = 0;
    virtual void setCaption(std::size_t row, const QString& caption) = 0;
    virtual void setImageIndex(std::size_t row, int imageIndex) = 0;
    virtual void postCommand(int code, int param) = 0;
};

} // namespace veridon
