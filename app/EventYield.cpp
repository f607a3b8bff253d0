#include "EventYield.h"

#include <QCoreApplication>

namespace zuvelo {

void EventYield::operator()()
{
    const auto now = std::chrono::steady_clock::now();
    if (!m_lastFullPass || now - *m_lastFullPass >= m_fullPassInterval) {
        // Stamped before the pass, so that when its handlers run long, whatever became due
        // meanwhile gets a full pass at the very next yield.
        m_lastFullPass = now;
        QCoreApplication::processEvents();
    } else {
        QCoreApplication::sendPostedEvents();
    }
}

} // namespace zuvelo
