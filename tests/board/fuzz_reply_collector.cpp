// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: ReplyCollector fed arbitrary bytes in reads of arbitrary
// sizes. Input: one byte choosing the bound (0: the real 4096, else 1..255,
// so short inputs reach it too), then the bytes that arrive. They are fed
// three ways: in one read, byte by byte, and in reads whose sizes come from
// the bytes themselves, with empty reads between. Each way is checked
// against what the bytes alone decide. Any broken rule aborts, so libFuzzer
// keeps the input.
#include "board/reply_collector.h"
#include "support/fuzz_rules.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using State = ReplyCollector::State;

// Feeds the reads in turn and checks the collector against the input.
void run(qsizetype bound, QByteArrayView input, const QList<QByteArrayView> &reads)
{
    // Decided by the bytes alone, however they are split.
    const qsizetype lf = input.indexOf('\n');
    const State expected = lf >= 0 && lf < bound ? State::Complete
                           : input.size() >= bound ? State::TooLong
                                                   : State::Waiting;

    ReplyCollector c(bound);
    require(c.bound() == bound && c.state() == State::Waiting && c.text().isEmpty(), "fresh collector");
    qsizetype arrived = 0;
    qsizetype completedAt = -1;   // bytes arrived by the end of the read that completed it
    for (QByteArrayView read : reads) {
        const State before = c.state();
        const QByteArray textBefore = c.text();
        const State returned = c.add(read);
        arrived += read.size();
        require(returned == c.state(), "add returns another state than state()");
        require(c.text().size() <= bound, "text longer than the bound", c.text());
        require(input.startsWith(c.text()), "text is not a prefix of the input", c.text());
        if (before != State::Waiting) {
            require(c.state() == before && c.text() == textBefore, "changed after it was done", c.text());
            continue;
        }
        if (c.state() == State::Complete)
            completedAt = arrived;
        else if (c.state() == State::Waiting)
            require(c.text().size() == arrived && !c.text().contains('\n'), "lost bytes while waiting",
                    c.text());
    }

    require(c.state() == expected, "wrong state", c.text());
    switch (expected) {
    case State::Complete:
        // The read that brought the line feed belongs to the reply, as far as the bound.
        require(c.text().size() == qMin(completedAt, bound), "complete reply cut wrongly", c.text());
        break;
    case State::TooLong:
        require(c.text().size() == bound, "too long reply not cut at the bound", c.text());
        break;
    case State::Waiting:
        require(c.text() == input, "waiting without every byte", c.text());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype bound = data[0] == 0 ? ReplyCollector::defaultBound : qsizetype(data[0]);
    const QByteArrayView input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    run(bound, input, {input});

    QList<QByteArrayView> reads;
    for (qsizetype i = 0; i < input.size(); ++i)
        reads.append(input.sliced(i, 1));
    run(bound, input, reads);

    reads.clear();
    for (qsizetype at = 0; at < input.size();) {
        const qsizetype n = qMin(input.size() - at, qsizetype(1 + uint8_t(input[at]) % 61));
        reads.append(input.sliced(at, n));
        reads.append(QByteArrayView());
        at += n;
    }
    run(bound, input, reads);
    return 0;
}
