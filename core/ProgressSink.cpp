#include "ProgressSink.h"

namespace Outcomes {

QString markKey(Outcome outcome) {
    switch (outcome) {
    case Outcome::Heading:
        return QString();
    case Outcome::Summary:
    case Outcome::Done:
    case Outcome::Unchanged:
    case Outcome::Preview:
        return QStringLiteral("blue");
    case Outcome::Note:
    case Outcome::Asked:
    case Outcome::Skipped:
    case Outcome::Stopped:
        return QStringLiteral("yellow");
    case Outcome::NotProcessed:
    case Outcome::Refused:
    case Outcome::Error:
        return QStringLiteral("red");
    }
    return QString();
}

bool isFailure(Outcome outcome) {
    return outcome == Outcome::NotProcessed || outcome == Outcome::Refused || outcome == Outcome::Error ||
           outcome == Outcome::Asked;
}

bool needsAttention(Outcome outcome) {
    switch (outcome) {
    case Outcome::Note:
    case Outcome::Asked:
    case Outcome::Skipped:
    case Outcome::Stopped:
    case Outcome::NotProcessed:
    case Outcome::Refused:
    case Outcome::Error:
        return true;
    default:
        return false;
    }
}

} // namespace Outcomes

void OutcomeTally::add(Outcome outcome) {
    switch (outcome) {
    case Outcome::Done:
        ++m_done;
        break;
    case Outcome::Unchanged:
        ++m_unchanged;
        break;
    case Outcome::Asked:
    case Outcome::Skipped:
        ++m_kept;
        break;
    case Outcome::NotProcessed:
    case Outcome::Refused:
        ++m_notDone;
        break;
    case Outcome::Error:
        ++m_errors;
        break;
    default:
        break;
    }
}
