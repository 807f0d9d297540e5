/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The simulated chip: the firmware (and a bootloader) loaded into simavr,
 * its resets, its run paced by the host's clock with the host's bytes fed
 * to its UART at the line rate, and the clock module on its TWI bus. */
#include "virtual_board.h"

#include "protocol/daywheel_protocol.h"

/* simavr sleeps in real time by itself while the chip sleeps; the main loop
 * paces instead, so the simulated time can jump ahead freely. */
static void no_sleep(avr_t *avr, avr_cycle_count_t how_long)
{
    (void)avr;
    (void)how_long;
}

static void uart_output(struct avr_irq_t *irq, uint32_t value, void *param)
{
    (void)irq;
    (void)param;
    if (!vb.port_open)
        return;                 /* nobody listening: the bytes are gone */
    if (vb.to_host_len < HOST_QUEUE)
        vb.to_host[vb.to_host_len++] = line_garble((uint8_t)value, chip_baud(), port_baud());
}

/* The speed the chip's USART0 runs at, from UBRR0 and U2X0. */
unsigned chip_baud(void)
{
    const uint8_t *d = vb.avr->data;
    unsigned ubrr = d[0xC4] | (unsigned)(d[0xC5] & 0x0F) << 8;
    return (unsigned)(vb.avr->frequency / ((d[0xC0] & 0x02 ? 8u : 16u) * (ubrr + 1)));
}

/* A byte sent at from_baud as a receiver at to_baud reads it: it samples
 * the middle of each of its bit times after the start edge; past the
 * sender's frame the line is idle (1). Speeds a few per cent apart read
 * right, as on a real line. */
uint8_t line_garble(uint8_t byte, unsigned from_baud, unsigned to_baud)
{
    if (!from_baud || !to_baud || from_baud == to_baud)
        return byte;
    uint8_t out = 0;
    for (unsigned k = 1; k <= DW_LINE_DATA_BITS; ++k) {
        unsigned long bit = (2ul * k + 1) * from_baud / (2ul * to_baud);
        unsigned v = bit == 0 ? 0 : bit <= DW_LINE_DATA_BITS ? (byte >> (bit - 1)) & 1 : 1;
        out |= (uint8_t)(v << (k - 1));
    }
    return out;
}

/* The chip's cycle for host time t. */
static avr_cycle_count_t cycle_at(double t)
{
    return vb.c0 + (avr_cycle_count_t)((t - vb.t0) * vb.cycles_per_s);
}

static void run_until(avr_cycle_count_t target);

static void pacing_rebase(void)
{
    vb.t0 = now_s();
    vb.c0 = vb.avr->cycle;
    vb.next_rx_cycle = vb.avr->cycle;
}

/* Leaves the reset cause in MCUSR as the chip (and, for an external
 * reset, a bootloader that keeps MCUSR) would. */
static void set_reset_cause(avr_regbit_t cause)
{
    avr_regbit_clear(vb.avr, vb.avr->reset_flags.porf);
    avr_regbit_clear(vb.avr, vb.avr->reset_flags.extrf);
    avr_regbit_clear(vb.avr, vb.avr->reset_flags.borf);
    avr_regbit_clear(vb.avr, vb.avr->reset_flags.wdrf);
    avr_regbit_set(vb.avr, cause);
}

#define PIND_ADDR 0x29

/* The button's pin as the button leaves it: pulled up, low while pressed.
 * simavr reads an input pin as the last level raised on it, and a reset
 * clears that: raised again after each. */
void button_apply(void)
{
    avr_raise_irq(avr_io_getirq(vb.avr, AVR_IOCTL_IOPORT_GETIRQ('D'), 2), vb.pressed ? 0 : 1);
    if (vb.pressed)
        vb.avr->data[PIND_ADDR] &= (uint8_t)~0x04;
    else
        vb.avr->data[PIND_ADDR] |= 0x04;
}

static void reset_common(void)
{
    uint8_t ee[EEPROM_SIZE];
    eeprom_get(ee);
    avr_reset(vb.avr);          /* keeps SRAM, clears the I/O registers */
    eeprom_set(ee);
    button_apply();
    watchdog_follow();
    vb.pending_clock = 0;
    vb.to_chip_len = 0;
    pacing_rebase();
}

/* Power loss and power-up: RAM and registers go, EEPROM stays. */
void chip_restart(void)
{
    reset_common();
    /* RAM content after power loss is undefined; make sure nothing survives */
    memset(vb.avr->data + 0x100, 0xA5, vb.avr->ramend + 1 - 0x100);
    set_reset_cause(vb.avr->reset_flags.porf);
    logf_("chip restarted after power loss");
}

/* A pulse on the reset pin, after the bootloader's hold: RAM stays. */
void chip_reset_external(void)
{
    reset_common();
    set_reset_cause(vb.avr->reset_flags.extrf);
    logf_("chip reset (external)");
}

/* Opening the port pulses the reset line through a capacitor (DTR). The
 * chip stays in reset for its own time-out (tTOUT, on the watchdog's
 * oscillator), then a real bootloader runs and holds it itself; without one
 * the whole hold is imitated. */
void chip_reset_for_open(void)
{
    /* The pulse comes now: a chip behind the host's clock (the host was
     * busy) first runs up to now, else the time it owes is lost. */
    double at = now_s();
    if (vb.boot_until == 0) {
        run_until(cycle_at(at));
        at = vb.t0 + (double)(vb.avr->cycle - vb.c0) / vb.cycles_per_s;   /* where the chip is */
    }
    chip_hold(at, vb.boot_addr ? reset_timeout() : vb.boot_delay, 1);
}

/* Held in reset from host time from for seconds, then started: reset then
 * (reset set) or as it stands (a watchdog reset simavr already made). The
 * chip does not run meanwhile, so its clock stands still, as a real one
 * does; bytes sent to it are lost. */
void chip_hold(double from, double seconds, int reset)
{
    vb.to_chip_len = 0;
    vb.boot_reset = reset;
    vb.boot_until = from + seconds;
    if (vb.boot_until <= 0)
        vb.boot_until = 1e-9;
}

static uint32_t find_symbol(const char *name)
{
    for (uint32_t i = 0; i < vb.fw.symbolcount; ++i)
        if (vb.fw.symbol[i] && strcmp(vb.fw.symbol[i]->symbol, name) == 0)
            return vb.fw.symbol[i]->addr;
    return 0;
}

uint32_t read_u32(uint32_t addr)
{
    const uint8_t *p = vb.avr->data + (addr & 0xFFFF);
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static int chip_running(void)
{
    return vb.avr->state == cpu_Running || vb.avr->state == cpu_Sleeping;
}

/* `hang`: sends the main loop into a jump to itself, at a moment it runs
 * with interrupts on (the firmware's interrupts run with them off), so the
 * interrupts go on as in a real hang. */
static void apply_pending_hang(void)
{
    if (vb.pending_hang && vb.avr->sreg[S_I] && vb.avr->state == cpu_Running) {
        vb.avr->pc = vb.hang_pc;
        vb.pending_hang = 0;
    }
}

/* The firmware changes the clock only in its tick interrupt and inside
 * interrupt-free sections, so a write while interrupts are enabled (and the
 * firmware is past its start-up code) is never torn or overwritten. */
static void apply_pending_clock(void)
{
    if (!vb.pending_clock || !vb.avr->sreg[S_I] || !chip_running())
        return;
    uint8_t *p = vb.avr->data + (vb.sym_seconds & 0xFFFF);
    for (int i = 0; i < 4; ++i)
        p[i] = (uint8_t)(vb.pending_seconds >> (8 * i));
    if (vb.pending_reset_ms) {
        uint8_t *m = vb.avr->data + (vb.sym_ms & 0xFFFF);
        m[0] = m[1] = 0;
    }
    /* the date moves as the tick moves it, and never onto "no date" */
    uint8_t *d = vb.avr->data + (vb.sym_day & 0xFFFF);
    uint64_t day = (uint64_t)d[0] | (uint64_t)d[1] << 8;
    if (day != 0xFFFF) {
        day = day + vb.pending_days < 0xFFFF ? day + vb.pending_days : 0xFFFE;
        d[0] = (uint8_t)day;
        d[1] = (uint8_t)(day >> 8);
    }
    vb.pending_clock = 0;
}

int light_pin(char port, int bit)
{
    avr_ioport_state_t st;
    if (avr_ioctl(vb.avr, AVR_IOCTL_IOPORT_GETSTATE(port), &st) != 0)
        return -1;
    return ((st.ddr >> bit) & 1) && ((st.port >> bit) & 1);
}

/* ---- clock module ------------------------------------------------------ */

/* simavr's DS1338 model answers on the TWI bus; its time and date
 * registers are set from the host's local clock before the chip runs, its
 * seconds moving on with the host's, so the module keeps host time whatever
 * the chip does (resets, power cuts), like one with a battery. A time the
 * firmware writes is taken over from then on, its second starting then, as
 * a write to the seconds register restarts a real module's divider. */

#define EPOCH_2000 946684800L   /* 2000-01-01 00:00 in seconds since 1970 */

static uint8_t bcd(uint32_t v) { return (uint8_t)((v / 10) << 4 | (v % 10)); }
static uint32_t unbcd(uint8_t v) { return (uint32_t)(v >> 4) * 10 + (v & 0x0F); }

static void rtc_bus(struct avr_irq_t *irq, uint32_t value, void *param)
{
    (void)irq;
    (void)param;
    avr_twi_msg_irq_t m = {.u.v = value};
    uint8_t msg = m.u.twi.msg;
    /* simavr's master names the address with its start; 0xD0: written
     * to, 0xD1: read from */
    if (msg & (TWI_COND_START | TWI_COND_ADDR))
        vb.rtc_writes = m.u.twi.addr == DS1338_VIRT_TWI_ADDR ? 0 : -1;
    else if ((msg & TWI_COND_WRITE) && vb.rtc_writes >= 0)
        ++vb.rtc_writes;
    if ((msg & TWI_COND_STOP) && vb.rtc_writes > 1)
        vb.rtc_written = 1;     /* register pointer and at least one byte */
}

static void rtc_service(void)
{
    uint8_t *r = vb.rtc.nvram;
    if (vb.rtc.selected)
        return;                 /* mid-transfer: next time */
    double t = now_s();
    uint64_t now = vb.rtc_base + (uint64_t)(t - vb.rtc_t0);
    if (vb.rtc_written) {
        /* the date registers count only when the write reached them */
        struct tm tm = {.tm_mday = (int)unbcd(r[4] & 0x3F), .tm_mon = (int)unbcd(r[5] & 0x1F) - 1,
                        .tm_year = 100 + (int)unbcd(r[6])};
        uint64_t day = vb.rtc_writes > 7 ? (uint64_t)(timegm(&tm) - EPOCH_2000) / DAY_SECONDS : now / DAY_SECONDS;
        vb.rtc_written = 0;
        vb.rtc_base = day * DAY_SECONDS + (unbcd(r[2] & 0x3F) * 3600 + unbcd(r[1] & 0x7F) * 60 + unbcd(r[0] & 0x7F)) %
                      DAY_SECONDS;
        vb.rtc_t0 = t;
        now = vb.rtc_base;
        logf_("clock module set to %u s on day %u", (unsigned)(now % DAY_SECONDS), (unsigned)day);
    }
    time_t as_utc = (time_t)(now + EPOCH_2000);
    struct tm tm;
    gmtime_r(&as_utc, &tm);
    r[0] = bcd((uint32_t)tm.tm_sec);                 /* clock-halt bit clear: running */
    r[1] = bcd((uint32_t)tm.tm_min);
    r[2] = bcd((uint32_t)tm.tm_hour);               /* 24-hour form */
    r[3] = (uint8_t)((tm.tm_wday + 6) % 7 + 1);      /* 1: Monday */
    r[4] = bcd((uint32_t)tm.tm_mday);
    r[5] = bcd((uint32_t)tm.tm_mon + 1);
    r[6] = bcd((uint32_t)(tm.tm_year % 100));
}

static void rtc_attach(void)
{
    /* the model prints its crystal on stdout: only with --verbose */
    fflush(stdout);
    const int out = dup(STDOUT_FILENO), null = vb.verbose ? -1 : open("/dev/null", O_WRONLY);
    if (null >= 0)
        dup2(null, STDOUT_FILENO);
    ds1338_virt_init(vb.avr, &vb.rtc);
    ds1338_virt_attach_twi(&vb.rtc, AVR_IOCTL_TWI_GETIRQ(0));
    fflush(stdout);
    if (null >= 0) {
        dup2(out, STDOUT_FILENO);
        close(null);
    }
    if (out >= 0)
        close(out);
    avr_irq_register_notify(avr_io_getirq(vb.avr, AVR_IOCTL_TWI_GETIRQ(0), TWI_IRQ_OUTPUT),
                            rtc_bus, NULL);
    struct timespec real;
    clock_gettime(CLOCK_REALTIME, &real);
    struct tm tm;
    localtime_r(&real.tv_sec, &tm);
    /* the local date and time as if it were UTC: seconds since 2000 */
    vb.rtc_base = (uint64_t)(timegm(&tm) - EPOCH_2000);
    vb.rtc_t0 = now_s() - real.tv_nsec / 1e9;
    vb.rtc_writes = -1;
    rtc_service();
}

/* ---- running ----------------------------------------------------------- */

static avr_cycle_count_t stop_here(struct avr_t *avr, avr_cycle_count_t when, void *param)
{
    (void)avr;
    (void)when;
    (void)param;
    return 0;
}

/* Whether simavr's USART0 holds no byte the firmware has yet to read.
 * simavr hands the next byte of its input queue over only a byte time
 * after the firmware read the one before, so a queue once begun drains a
 * little slower than the line fills it, by the firmware's interrupt
 * latency each byte, and after some thousand bytes back to back it
 * overflows: a loss no chip has, whose receiver takes a byte the moment
 * its stop bit ends. A byte is fed only into an empty queue: the line
 * waits those few microseconds instead. A main loop too slow for the line
 * still loses bytes, in the firmware's own receive ring. */
static int uart_input_empty(void)
{
    static avr_uart_t *uart;
    for (avr_io_t *io = vb.avr->io_port; !uart && io; io = io->next)
        if (strcmp(io->kind, "uart") == 0 && ((avr_uart_t *)io)->name == '0')
            uart = (avr_uart_t *)io;
    return !uart || uart->input.read == uart->input.write;
}

/* Runs the chip up to cycle target, feeding host bytes at the line rate;
 * stops early when it resets itself. A sleeping chip skips ahead to its
 * next timer event, the tick a millisecond later: a timer event at the
 * target stops it there, so that it never runs ahead of the host's clock
 * (a reset lands between two ticks, not on one yet to be counted). */
static void run_until(avr_cycle_count_t target)
{
    if (target > vb.avr->cycle)
        avr_cycle_timer_register(vb.avr, target - vb.avr->cycle, stop_here, NULL);
    while (vb.avr->cycle < target && chip_running()) {
        if (vb.to_chip_len && vb.avr->cycle >= vb.next_rx_cycle && uart_input_empty()) {
            unsigned baud = chip_baud();
            avr_irq_t *in = avr_io_getirq(vb.avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
            avr_raise_irq(in, line_garble(vb.to_chip[0], port_baud(), baud));
            memmove(vb.to_chip, vb.to_chip + 1, --vb.to_chip_len);
            /* a byte's bit times at the chip's own speed */
            vb.next_rx_cycle = vb.avr->cycle + vb.avr->frequency * DW_LINE_BITS_PER_BYTE / baud;
        }
        apply_pending_clock();
        apply_pending_hang();
        if (vb.pressed && vb.avr->cycle >= vb.press_until) {
            vb.pressed = 0;
            button_apply();
            /* answered once the contact has stayed open past any
             * debounce: the firmware has seen the whole press by then */
            vb.press_until = vb.avr->cycle + vb.avr->frequency * PRESS_SETTLE_MS / 1000;
            vb.press_settling = 1;
        } else if (vb.press_settling && vb.avr->cycle >= vb.press_until) {
            vb.press_settling = 0;
            vb.press_done = 1;
        }
        avr_cycle_count_t before = vb.avr->cycle;
        /* simavr's watchdog resets the chip through its run hook */
        const int resetting = vb.avr->run != vb.run_normal;
        avr_run(vb.avr);
        /* simavr copies a write to PORTD into PIND, pulled-up pins
         * included: the button's level is put back at once */
        if (((vb.avr->data[PIND_ADDR] >> 2) & 1) == vb.pressed)
            button_apply();
        if (resetting || vb.avr->cycle < before) {
            /* the chip reset itself (its watchdog); simavr may count
             * cycles from 0 again, the wall clock goes on */
            vb.t0 += (double)(before - vb.c0) / vb.cycles_per_s;
            vb.c0 = vb.avr->cycle;
            vb.next_rx_cycle = vb.avr->cycle;
            logf_("chip reset by its watchdog");
            vb.press_until = vb.avr->cycle;   /* counted from before: let go now */
            button_apply();
            watchdog_follow();
            chip_hold(vb.t0, reset_timeout(), 0);
            break;
        }
    }
}

/* Runs the chip up to the wall clock, feeding host bytes at the line rate. */
void run_chip(void)
{
    double t = now_s();
    if (t < vb.boot_until)
        return;
    if (vb.boot_until > 0) {
        const double release = vb.boot_until;
        vb.boot_until = 0;
        if (vb.boot_reset)
            chip_reset_external();
        else
            pacing_rebase();
        /* released at its moment, however late this pass comes: the chip
         * catches up from there, as it held no longer than the firmware adds */
        vb.t0 = release;
    }
    avr_cycle_count_t target = cycle_at(t);
    /* Behind the host's clock (the host was busy): catch up, in slices of
     * 20 ms so the port and the control socket are served meanwhile. A
     * stall costs the chip no time. */
    if (vb.rtc_on)
        rtc_service();
    avr_cycle_count_t slice = vb.avr->cycle + vb.avr->frequency / 50;
    if (target > slice)
        target = slice;
    run_until(target);
    if (!chip_running()) {
        /* a blank flash does this every second: simavr's crash, not ours */
        logf_("chip stopped (state %d); restarting", vb.avr->state);
        chip_restart();
    }
}

/* ---- loading ----------------------------------------------------------- */

/* Puts a bootloader image at its place in flash and starts the chip there,
 * as the BOOTRST fuse does. The file is bounded: at most 256 KiB, every
 * byte inside the flash, starting at one of the chip's boot section sizes. */
static void load_bootloader(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 256 * 1024)
        die("bootloader %s: not a readable hex file of at most 256 KiB", path);
    ihex_chunk_p chunks = NULL;
    int n = read_ihex_chunks(path, &chunks);
    if (n <= 0)
        die("bootloader %s: not an Intel hex file", path);
    uint32_t lowest = UINT32_MAX;
    for (int i = 0; i < n; ++i) {
        if (chunks[i].baseaddr + (uint64_t)chunks[i].size > vb.avr->flashend + 1ull)
            die("bootloader %s: bytes beyond the end of flash", path);
        if (chunks[i].size && chunks[i].baseaddr < lowest)
            lowest = chunks[i].baseaddr;
    }
    const uint32_t end = vb.avr->flashend + 1;
    if (lowest != end - 512 && lowest != end - 1024 && lowest != end - 2048 && lowest != end - 4096)
        die("bootloader %s: does not start at a boot section (0x%x)", path, (unsigned)lowest);
    for (int i = 0; i < n; ++i)
        memcpy(vb.avr->flash + chunks[i].baseaddr, chunks[i].data, chunks[i].size);
    /* simavr's free_ihex_chunks() frees the chunks' data but not the list */
    for (int i = 0; i < n; ++i)
        free(chunks[i].data);
    free(chunks);
    vb.boot_addr = lowest;
    vb.avr->reset_pc = lowest;
}

/* The chip of the firmware's ELF, with the bootloader at bootloader (a hex
 * file; NULL: none) and, for blank, nothing else in its flash; its clock
 * runs clock_error ppm off. */
void chip_create(const char *elf, const char *bootloader, int blank, double clock_error)
{
    if (elf_read_firmware(elf, &vb.fw) != 0)
        die("cannot read firmware %s", elf);
    if (!vb.fw.mmcu[0])
        strcpy(vb.fw.mmcu, "atmega328p");
    if (!vb.fw.frequency)
        vb.fw.frequency = 16000000;
    vb.avr = avr_make_mcu_by_name(vb.fw.mmcu);
    vb.cycles_per_s = vb.fw.frequency * (1.0 + clock_error / 1e6);
    if (!vb.avr)
        die("simavr does not know %s", vb.fw.mmcu);
    avr_init(vb.avr);
    vb.avr->log = vb.verbose ? LOG_WARNING : LOG_ERROR;
    avr_load_firmware(vb.avr, &vb.fw);
    vb.run_normal = vb.avr->run;
    timing_attach();
    if (bootloader) {
        if (blank)
            memset(vb.avr->flash, 0xFF, vb.avr->flashend + 1);
        load_bootloader(bootloader);
    }
    vb.avr->sleep = no_sleep;
    /* struct dw_kept: seconds (4 bytes), ms (2), known (1), layout (1),
     * day (2), ... */
    vb.sym_seconds = find_symbol("dw_clock");
    if (!vb.sym_seconds)
        die("%s has no dw_clock symbol", elf);
    vb.sym_ms = vb.sym_seconds + 4;
    vb.sym_known = vb.sym_seconds + 6;
    vb.sym_day = vb.sym_seconds + 8;
    vb.sym_bss_end = find_symbol("__bss_end");
    vb.press_fd = -1;
    button_apply();

    uint32_t uart_flags = 0;
    avr_ioctl(vb.avr, AVR_IOCTL_UART_GET_FLAGS('0'), &uart_flags);
    uart_flags &= ~(uint32_t)(AVR_UART_FLAG_STDIO | AVR_UART_FLAG_POLL_SLEEP);
    avr_ioctl(vb.avr, AVR_IOCTL_UART_SET_FLAGS('0'), &uart_flags);
    avr_irq_register_notify(avr_io_getirq(vb.avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            uart_output, NULL);

    if (vb.rtc_on)
        rtc_attach();
}
