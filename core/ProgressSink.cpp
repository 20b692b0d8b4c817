#include "ProgressSink.h"

#include <algorithm>

namespace Outcomes {

QString markKey(Outcome outcome) {
    switch (outcome) {
    case Outcome::Heading:
    case Outcome::Detail:
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

void OutcomeTally::add(const ResultRow& row) {
    Tier tier = Tier::Done;
    switch (row.outcome) {
    case Outcome::Done:
        tier = Tier::Done;
        break;
    case Outcome::Unchanged:
        tier = Tier::Unchanged;
        break;
    case Outcome::Asked:
    case Outcome::Skipped:
        tier = Tier::Kept;
        break;
    case Outcome::NotProcessed:
    case Outcome::Refused:
        tier = Tier::NotDone;
        break;
    case Outcome::Error:
        tier = Tier::Error;
        break;
    default:
        return;
    }
    // A row about no file (a batch number) is a file of its own; a NUL never starts a path.
    const QString key = row.file.isEmpty() ? QChar(0) + QString::number(m_tiers.size()) : row.file;
    const auto found = m_tiers.constFind(key);
    if (found == m_tiers.cend() || int(found.value()) < int(tier))
        m_tiers.insert(key, tier);
}

int OutcomeTally::count(Tier tier) const {
    return int(std::count(m_tiers.cbegin(), m_tiers.cend(), tier));
}
