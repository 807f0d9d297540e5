// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// What both schedule readers do with a UTF-8 byte-order mark: skip it only
// whole and only at the start; a start that merely resembles one is read as
// it is. offset counts the bytes looked at, up to the mark's 3.
namespace byte_order_mark {
inline constexpr char mark[] = "\xEF\xBB\xBF";

template <typename Take, typename Done>
void feed(qint64 &offset, QByteArrayView bytes, Take take, Done done)
{
    for (char c : bytes) {
        if (done())
            return;
        if (offset < 3) {
            const qint64 at = offset++;
            if (c == mark[at])
                continue;
            for (qint64 i = 0; i < at && !done(); ++i)
                take(mark[i]);
            offset = 3;
            if (done())
                return;
        }
        take(c);
    }
}

// At the end: a file shorter than the mark holds those bytes as content.
template <typename Take, typename Done>
void finish(qint64 &offset, Take take, Done done)
{
    if (offset > 0 && offset < 3) {
        const qint64 seen = offset;
        offset = 3;
        for (qint64 i = 0; i < seen && !done(); ++i)
            take(mark[i]);
    }
}
}
