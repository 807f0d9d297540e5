// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/reply_collector.h"

ReplyCollector::State ReplyCollector::add(QByteArrayView read)
{
    if (current != State::Waiting)
        return current;
    const qsizetype room = limit - collected.size();
    const QByteArrayView kept = read.first(qMin(read.size(), room));
    collected.append(kept);
    if (kept.contains('\n'))
        current = State::Complete;
    else if (collected.size() >= limit)
        current = State::TooLong;
    return current;
}
