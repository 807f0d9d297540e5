// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the board's portable code (line protocol, clock, EEPROM
// store) on the host, driven by arbitrary bytes and checked against a small
// independent model of the protocol. Any violation aborts.
//
// Input: optionally 0xFD, a CRC mask byte and a 64-byte image of the store's
// EEPROM range (slot i gets a correct CRC when mask bit i is set, so the
// fuzzer reaches valid slots with odd sequence numbers). The rest is fed to
// the board byte by byte, except that 0xFE starts an event:
//   FE FE      a literal 0xFE byte
//   FE op ...  by op % 8: 0 byte lost (dw_board_rx_error), 1 set the clock
//              (3 bytes), 2 let time pass (1 byte; past midnight the date
//              moves on), 3 poll, 4 power cut,
//              5 cut the power during the next stored half (1 byte: writes
//              that still get through), 6 power cut with the clock module
//              changed (3 bytes: bit 7 of the first removes it, bit 6
//              stops its oscillator, the rest its time), 7 reset that
//              keeps the RAM
// Build: configure with CC=clang CXX=clang++ and -DDAYWHEEL_FUZZ=ON.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include "dw_board.h"
#include "dw_clock.h"
#include "dw_module.h"
#include "dw_store.h"
#include "dw_week.h"
}

namespace {

// Reports the broken rule and stops the run, so libFuzzer keeps the input.
[[noreturn]] void fail(const char *what, const std::string &detail = {})
{
    std::fprintf(stderr, "fuzz_line_protocol: %s%s%s\n", what, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::abort();
}

void require(bool ok, const char *what, const std::string &detail = {})
{
    if (!ok)
        fail(what, detail);
}

// The hardware, reset for every input so runs do not depend on each other.
struct Hal {
    uint8_t eeprom[1024];
    std::string tx;
    uint32_t clock;
    int light;
    int writesLeft;      // >= 0: power fails after that many more writes
    bool cutHit;         // a write was lost to the power cut
    int writes;
    bool known;          // the time is set
    bool module;         // a clock module is fitted
    uint8_t regs[7];     // its time and date
    uint16_t day;        // the date the board was given
    uint32_t run;        // the oscillator's count since a set

    void reset()
    {
        std::memset(eeprom, 0xFF, sizeof eeprom);
        tx.clear();
        clock = 0;
        light = -1;
        writesLeft = -1;
        cutHit = false;
        writes = 0;
        known = false;
        module = false;
        std::memset(regs, 0, sizeof regs);
        day = DW_NO_DATE;
        run = DW_NO_RUN;
    }
} hal;

} // namespace

extern "C" {
uint8_t dw_hal_ee_read(uint16_t addr)
{
    require(addr < sizeof hal.eeprom, "EEPROM read out of range", std::to_string(addr));
    return hal.eeprom[addr];
}

void dw_hal_ee_write(uint16_t addr, uint8_t value)
{
    require(addr >= DW_STORE_BASE && addr < DW_STORE_LIMIT, "EEPROM write outside the store",
            std::to_string(addr));
    if (hal.writesLeft == 0) {
        hal.cutHit = true;
        return;
    }
    if (hal.writesLeft > 0)
        --hal.writesLeft;
    ++hal.writes;
    hal.eeprom[addr] = value;
}

void dw_hal_putc(char c) { hal.tx.push_back(c); }
uint32_t dw_hal_clock_get(void) { return hal.clock; }
uint32_t dw_hal_clock_get_ms(uint16_t *ms)
{
    *ms = 0;
    return hal.clock;
}
void dw_hal_clock_set(uint32_t s, uint16_t ms, uint16_t day)
{
    require(s < DW_DAY_SECONDS && ms < 1000 && (dw_date_known(day) || day == hal.day || day == DW_NO_DATE),
            "clock set out of range",
            std::to_string(s));
    hal.clock = s;
    hal.day = day;
    hal.known = true;
}
uint8_t dw_hal_clock_known(void) { return hal.known; }
uint16_t dw_hal_clock_day(void) { return hal.day; }
void dw_hal_clock_set_day(uint16_t day) { require(day - DW_ASSUMED_MONDAY < 7u, "assumed day not a weekday"), hal.day = day; }
uint32_t dw_hal_run_get(uint16_t *ms)
{
    *ms = 0;
    return hal.run;
}
void dw_hal_run_from(uint32_t s) { hal.run = s; }
void dw_hal_clock_trim(int32_t trim)
{
    require(trim >= -DW_TRIM_MAX && trim <= DW_TRIM_MAX, "trim out of range", std::to_string(trim));
}
// The module's clock registers, if one is fitted; copies n bytes from from to to.
static uint8_t moduleIo(uint8_t addr, uint8_t reg, uint8_t n, const uint8_t *from, uint8_t *to)
{
    require(addr == DW_MODULE_ADDR && reg + n <= sizeof hal.regs, "module access outside its clock registers");
    return hal.module && std::memcpy(to, from, n);
}
uint8_t dw_hal_i2c_read(uint8_t addr, uint8_t reg, uint8_t *buf, uint8_t n)
{
    return moduleIo(addr, reg, n, hal.regs + reg, buf);
}
uint8_t dw_hal_i2c_write(uint8_t addr, uint8_t reg, const uint8_t *buf, uint8_t n)
{
    return moduleIo(addr, reg, n, buf, hal.regs + reg);
}
void dw_hal_light(uint8_t on) { hal.light = on; }
uint8_t dw_hal_button(void) { return 0; }
uint16_t dw_hal_ms(void) { return 0; }
}

namespace {

const char *const kReasons[] = {"empty line", "unknown command", "bad length", "bad time",
                                "bad digit",  "line too long",   "input lost", "bad date", "no date", "too many"};

// What the model expects the board to hold.
struct Model {
    std::string half[7][2]; // each weekday's "a" / "b" + 48 digits, as f / e answer on that day
    uint16_t stored;        // bit per weekday's half, as the status reports them
    int weekdayKept;        // the weekday EEPROM names as the one run last; -1: not sure
    std::string raw;        // bytes of the line being received
    bool damaged;
    bool known;             // a t line or a running module gave the time
    bool moduleRunning;     // the module gives the time
    bool zoned;             // a dated set was taken: an offset change may write the module
    bool sun;               // a place, dark, away or light line was taken: the logic
                            // tests judge the light and the status's tail from then on
} model;

uint8_t bcd(uint32_t v) { return uint8_t((v / 10) << 4 | v % 10); }

std::string halfLine(uint8_t d, uint8_t h)
{
    uint8_t bits[DW_HALF_BYTES];
    const bool was = dw_week_load(d, h, bits);
    model.stored = uint16_t(was ? model.stored | (1u << (2 * d + h)) : model.stored & ~(1u << (2 * d + h)));
    std::string s(1, char('a' + h));
    for (unsigned k = 0; k < DW_HALF_ENTRIES; ++k)
        s += (bits[k / 8] >> (k % 8)) & 1 ? '1' : '0';
    return s;
}

// The weekday the board runs: from the date it keeps, or the one it assumes.
unsigned today() { return require(hal.day != DW_NO_DATE, "no weekday to run"), dw_weekday(hal.day); }

bool modelLight()
{
    const unsigned e = (hal.clock / DW_QUARTER_SECONDS + 1) % DW_ENTRIES;
    return model.half[today()][e / DW_HALF_ENTRIES][1 + e % DW_HALF_ENTRIES] == '1';
}

// Splits what the board sent since the last call into lines, checking each
// is printable text ended by CR LF and not too long.
int takeLines(std::string *last)
{
    int lines = 0;
    size_t start = 0;
    for (;;) {
        const size_t end = hal.tx.find("\r\n", start);
        if (end == std::string::npos)
            break;
        const std::string line = hal.tx.substr(start, end - start);
        require(line.size() <= DW_ANSWER_MAX, "answer too long", line);
        for (char c : line)
            require(c >= 0x20 && c <= 0x7E, "answer byte not printable", line);
        *last = line;
        ++lines;
        start = end + 2;
    }
    require(start == hal.tx.size(), "answer not ended by CR LF", hal.tx.substr(start));
    hal.tx.clear();
    return lines;
}

void checkLight()
{
    dw_board_poll();
    require(model.sun || (hal.light == int(modelLight()) && dw_board_light() == hal.light), "light disagrees",
            std::to_string(hal.clock));
    model.weekdayKept = hal.writesLeft < 0 ? int(today()) : -1;   // a cut may stop its write
    hal.writes = 0;   // a new weekday kept is not the next line's doing
}

std::string hms(uint32_t s)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", unsigned(s / 3600), unsigned(s / 60 % 60),
                  unsigned(s % 60));
    return buf;
}

void checkStatus(const std::string &st)
{
    const auto headFor = [](bool module) {
        return "time " + hms(hal.clock) + (!model.known ? " (not set)" : module ? " from module" : "") +
               (model.sun ? (hal.light ? " light on" : " light off") : modelLight() ? " light on" : " light off") +
               (model.stored == 0x3FFF ? " pattern stored" : model.stored ? " pattern partial" : " pattern none");
    };
    std::string head = headFor(model.moduleRunning);
    if (st.compare(0, head.size(), head) != 0 && model.zoned && hal.module) {
        model.moduleRunning = !model.moduleRunning;
        head = headFor(model.moduleRunning);
    }
    require(st.compare(0, head.size(), head) == 0, "status head", st + " / " + head);
    size_t at = head.size();
    const std::string name = std::string(DW_WEEKDAY_NAMES).substr(today() * 3, 3);
    const std::string day = dw_date_known(hal.day) ? " " + name : " day " + name + " assumed";
    at += dw_date_known(hal.day) && st.compare(at, 6, " date ") == 0 ? 16 : 0;
    require(st.compare(at, day.size(), day) == 0, "status weekday", st + " / " + day);
    at += day.size();
    if (model.sun) {   // the light by hand, away, the dark ignored: before the trim
        const size_t trim = st.find(" trim ", at), module = st.find("; refused ", at);
        at = trim != std::string::npos ? trim : module != std::string::npos ? module : st.size();
    }
    if (!model.moduleRunning) {
        const size_t end = st.find(" ppm", at);
        require(st.compare(at, 7, " trim +") == 0 && end != std::string::npos, "status trim", st);
        at = end + 4;
    }
    while (at < st.size()) {
        const std::string intro = "; refused ";
        require(st.compare(at, intro.size(), intro) == 0, "status refusal part", st);
        at += intro.size();
        const size_t letters = st[at] == 'w' && st.compare(at + 1, 1, ":") != 0 ? 3 : 1;   // w3a: its weekday, half
        require(at + letters + 2 <= st.size() && std::strchr("tabzfespqowrgdvm?", st[at]) && st[at] &&
                    (letters == 1 || (std::strchr("1234567", st[at + 1]) && std::strchr("ab", st[at + 2]))) &&
                    st.compare(at + letters, 2, ": ") == 0,
                "status refusal letter", st);
        at += letters + 2;
        bool known = false;
        for (const char *r : kReasons) {
            const size_t n = std::strlen(r);
            if (st.compare(at, n, r) == 0 && (at + n == st.size() || st[at + n] == ';')) {
                at += n;
                known = true;
                break;
            }
        }
        require(known, "status refusal reason", st);
    }
}

// A power cut loses the clock and whether it was set (RAM); a reset that
// keeps the RAM keeps both.
void restart(bool keepsRam = false)
{
    if (!keepsRam) {
        hal.clock = 0;
        hal.known = false;
        hal.day = DW_NO_DATE;
        model.known = false;
        model.zoned = false;
    }
    const int weekday = keepsRam || hal.module ? -1 : model.weekdayKept;
    dw_board_init();
    model.moduleRunning = hal.module && !(hal.regs[0] & 0x80);
    model.known = model.known || model.moduleRunning;
    std::string line;
    require(takeLines(&line) == 1
                && line == (model.known ? DW_GREETING DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE
                                        : DW_GREETING_NOT_SET DW_GREETING_WEEK DW_GREETING_SUN DW_GREETING_PRECISE),
            "no greeting after restart", line);
    // with no date, the weekday run last (Monday when none was kept)
    require(weekday < 0 || int(today()) == weekday, "power cut changed the weekday", std::to_string(hal.day));
    model.stored = 0;
    for (uint8_t d = 0; d < DW_WEEKDAYS; ++d)
        for (uint8_t h = 0; h < 2; ++h)
            model.half[d][h] = halfLine(d, h);
    model.raw.clear();
    model.damaged = false;
    checkLight();
}

bool parseTime(const std::string &l, uint32_t *s)
{
    if (l.size() != 6 || l[0] != 't' || l[3] != ':')
        return false;
    for (int i : {1, 2, 4, 5})
        if (l[size_t(i)] < '0' || l[size_t(i)] > '9')
            return false;
    const int h = (l[1] - '0') * 10 + (l[2] - '0'), m = (l[4] - '0') * 10 + (l[5] - '0');
    if (h > 23 || m > 59)
        return false;
    *s = uint32_t(h * 3600 + m * 60);
    return true;
}

// "p" + 1 to 5 digits (below a day) + "." + 3 digits.
bool parsePrecise(const std::string &l, uint32_t *s)
{
    if (l.size() < 6 || l.size() > 10 || l[0] != 'p' || l[l.size() - 4] != '.')
        return false;
    uint32_t v = 0;
    for (size_t k = 1; k < l.size(); ++k) {
        if (k == l.size() - 4)
            continue;
        if (l[k] < '0' || l[k] > '9')
            return false;
        if (k < l.size() - 4)
            v = v * 10 + uint32_t(l[k] - '0');
    }
    *s = v;
    return v < DW_DAY_SECONDS;
}

// One complete line has been fed; judges what the board did with it.
void lineDone()
{
    std::string l = model.raw;
    const bool bad = model.damaged || l.size() > DW_LINE_MAX;
    model.raw.clear();
    model.damaged = false;
    if (!bad && !l.empty() && l.back() == '\r')
        l.pop_back();

    std::string answer;
    const int n = takeLines(&answer);
    require(n <= 1, "more than one answer to a line");

    // a, b: a half for every weekday; w: for the one it names
    const bool week = l.size() == 3 + DW_HALF_ENTRIES && l[0] == 'w' && l[1] >= '1' && l[1] <= '7' &&
                      (l[2] == 'a' || l[2] == 'b');
    const size_t at = week ? 3 : 1;
    bool store = !bad && (week || (l.size() == 1 + DW_HALF_ENTRIES && (l[0] == 'a' || l[0] == 'b')));
    for (size_t k = at; store && k < l.size(); ++k)
        store = l[k] == '0' || l[k] == '1';
    uint32_t t = 0;
    if (store) {
        require(n == 0, "accepted store answered", answer);
        // after a power cut during the store, every weekday it named holds
        // the old half or every one the new: no mixture, nothing else
        const uint8_t h = uint8_t(l[at - 1] - 'a');
        const unsigned from = week ? unsigned(l[1] - '1') : 0, to = week ? from + 1 : DW_WEEKDAYS;
        const std::string half = l.substr(at - 1);
        std::string old[DW_WEEKDAYS];
        bool same = true, allNew = true, allOld = true;
        for (unsigned d = 0; d < DW_WEEKDAYS; ++d) {
            old[d] = model.half[d][h];
            same = same && (d < from || d >= to || (half == old[d] && (model.stored >> (2 * d + h) & 1)));
        }
        require(!same || hal.writes == 0, "storing what runs already wrote the EEPROM");
        const bool cut = hal.writesLeft >= 0 && hal.cutHit;
        if (hal.writesLeft >= 0) {
            hal.writesLeft = -1;
            hal.cutHit = false;
            restart();
        }
        for (uint8_t d = 0; d < DW_WEEKDAYS; ++d) {
            const bool named = d >= from && d < to;
            model.half[d][h] = halfLine(d, h);
            require(named || model.half[d][h] == old[d], "a store changed a weekday it did not name");
            allNew = allNew && (!named || model.half[d][h] == half);
            allOld = allOld && (!named || model.half[d][h] == old[d]);
        }
        require(allNew || (cut && allOld), "a store left a half that was never stored", l);
    } else if (!bad && parseTime(l, &t)) {
        require(n == 0, "accepted time answered", answer);
        require(hal.clock == t, "clock not set", std::to_string(hal.clock));
        model.known = true;
        model.moduleRunning = hal.module;
        require(!hal.module || (hal.regs[0] == 0 && hal.regs[1] == bcd(t / 60 % 60) &&
                                hal.regs[2] == bcd(t / 3600)),
                "module not set with the clock");
    } else if (!bad && parsePrecise(l, &t)) {
        require(n == 0 && hal.clock == t, "precise time not set", answer);
        model.known = true;
        model.moduleRunning = hal.module;
    } else if (!bad && l == "q") {
        require(n == 1 && answer.rfind(std::to_string(hal.clock) + ".000 ", 0) == 0, "q answer", answer);
    } else if (!bad && (l[0] == 'o' || l[0] == 'p')) {
        // offset changes and dated sets: the logic tests judge them
        require(n == 0 || answer.compare(0, 7, "error: ") == 0, "offset line answered", answer);
        model.known = model.known || n == 0;
        if (n == 0 && l[0] == 'p') {
            model.moduleRunning = hal.module;
            model.zoned = model.zoned || l.size() > 10;
        }
    } else if (!bad && !l.empty() && std::strchr("gdvm", l[0])) {
        // the place, the dark, away and the light by hand: the logic tests
        // judge them; a line that changes nothing but is taken may answer
        require(n <= 1, "sun line answered twice", answer);
        model.sun = model.sun || n == 0 || answer.compare(0, 7, "error: ") != 0;
    } else if (!bad && l == "z") {
        require(n == 1 && answer == std::to_string(hal.clock), "z answer", answer);
    } else if (!bad && (l == "f" || l == "e")) {
        const std::string &want = model.half[today()][l == "e"];
        require(n == 1 && answer == want, "read back differs from what was stored", answer + " / " + want);
    } else if (!bad && l.size() == 3 && l[0] == 'r' && l[1] >= '1' && l[1] <= '7' && (l[2] == 'a' || l[2] == 'b')) {
        const std::string want = "w" + l.substr(1, 1) + model.half[l[1] - '1'][l[2] == 'b'];
        require(n == 1 && answer == want, "r answer differs from what was stored", answer + " / " + want);
    } else if (!bad && l == "s") {
        require(n == 1, "no status answer");
        checkStatus(answer);
    } else {
        require(n == 1 && answer.compare(0, 7, "error: ") == 0, "refused line not answered with error",
                answer);
    }
    hal.writes = 0;
    checkLight();
}

void feed(uint8_t c)
{
    dw_board_rx(c);
    if (c != '\n') {
        model.raw.push_back(char(c));
        require(hal.tx.empty(), "answer before the line's LF");
        return;
    }
    lineDone();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    hal.reset();
    size_t i = 0;
    if (size >= 2 + DW_STORE_END - DW_STORE_BASE && data[0] == 0xFD) {
        const uint8_t mask = data[1];
        std::memcpy(hal.eeprom + DW_STORE_BASE, data + 2, DW_STORE_END - DW_STORE_BASE);
        for (unsigned s = 0; s < 4; ++s)
            if (mask >> s & 1) {
                uint8_t *slot = hal.eeprom + DW_STORE_BASE + s * DW_SLOT_SIZE;
                slot[8] = dw_crc8(slot, 8);
            }
        i = 2 + DW_STORE_END - DW_STORE_BASE;
    }
    model.weekdayKept = 0;   // no weekday kept: Monday
    model.sun = false;
    restart();
    hal.writes = 0;

    while (i < size) {
        const uint8_t c = data[i++];
        if (c != 0xFE || i >= size) {
            feed(c);
            continue;
        }
        const uint8_t op = data[i++];
        if (op == 0xFE) {
            feed(op);
            continue;
        }
        const uint8_t arg = i < size ? data[i] : 0;
        switch (op % 8) {
        case 0:
            dw_board_rx_error();
            model.damaged = true;
            require(hal.tx.empty(), "answer to a lost byte");
            break;
        case 1:
            if (i + 3 <= size) {
                hal.clock = (uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2]) %
                            DW_DAY_SECONDS;
                i += 3;
                checkLight();
            }
            break;
        case 2:
            if (hal.clock + uint32_t(arg) * 37u >= DW_DAY_SECONDS && hal.day != DW_NO_DATE)
                ++hal.day;   // as the tick moves it
            hal.clock = dw_clock_add(hal.clock, uint32_t(arg) * 37u);
            i += i < size;
            checkLight();
            break;
        case 3:
            checkLight();
            break;
        case 4:
            restart();
            break;
        case 5:
            hal.writesLeft = arg % 16;
            i += i < size;
            break;
        case 6:
            if (i + 3 <= size) {
                hal.module = !(data[i] & 0x80);
                const uint32_t s = (uint32_t(data[i] & 0x3F) << 16 | uint32_t(data[i + 1]) << 8 |
                                    data[i + 2]) % DW_DAY_SECONDS;
                hal.regs[0] = uint8_t(bcd(s % 60) | (data[i] & 0x40 ? 0x80 : 0));
                hal.regs[1] = bcd(s / 60 % 60);
                hal.regs[2] = bcd(s / 3600);
                i += 3;
                restart();
            }
            break;
        default:
            restart(true);
            break;
        }
        require(hal.tx.empty(), "answer to an event");
    }
    return 0;
}
