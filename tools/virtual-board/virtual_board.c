// SPDX-License-Identifier: GPL-3.0-or-later
/* Runs the board firmware on simavr and offers it as a serial port: a
 * pseudo-terminal linked as .../daywheel/ports/com10, restarted when a
 * program opens it (as the real board's USB bridge does), plus a line-based
 * control socket for tests. See README.md. */
#include "virtual_board.h"

/* What the Uno's bootloader takes after a reset; the firmware adds the same
 * back to the time it kept (DW_BOOT_HOLD_MS). */
#define BOOT_HOLD_MS 1400

struct virtual_board vb;

volatile sig_atomic_t stop_requested;

static void on_signal(int sig)
{
    (void)sig;
    stop_requested = 1;
}

double now_s(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + ts.tv_nsec / 1e9;
}

static void vmessage(const char *fmt, va_list ap)
{
    fprintf(stderr, "virtual-board: ");
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
}

void logf_(const char *fmt, ...)
{
    if (!vb.verbose)
        return;
    va_list ap;
    va_start(ap, fmt);
    vmessage(fmt, ap);
    va_end(ap);
}

void die(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vmessage(fmt, ap);
    va_end(ap);
    exit(1);
}

/* ---- chip -------------------------------------------------------------- */

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
    for (unsigned k = 1; k <= 8; ++k) {
        unsigned long bit = (2ul * k + 1) * from_baud / (2ul * to_baud);
        unsigned v = bit == 0 ? 0 : bit <= 8 ? (byte >> (bit - 1)) & 1 : 1;
        out |= (uint8_t)(v << (k - 1));
    }
    return out;
}

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

static void reset_common(void)
{
    uint8_t ee[EEPROM_SIZE];
    eeprom_get(ee);
    avr_reset(vb.avr);          /* keeps SRAM, clears the I/O registers */
    eeprom_set(ee);
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

/* Opening the port pulses the reset line through a capacitor (DTR): a
 * real bootloader runs at once and holds the chip itself; without one the
 * hold is imitated. */
void chip_reset_for_open(void)
{
    if (vb.boot_addr)
        chip_reset_external();
    else
        chip_hold_then_reset();
}

/* Held in reset while the bootloader would run; the chip does not run, so
 * its clock stands still, as a real one does. */
void chip_hold_then_reset(void)
{
    vb.to_chip_len = 0;
    vb.boot_until = now_s() + vb.boot_delay;
    if (vb.boot_until == 0)
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
    vb.pending_clock = 0;
}

int light_pin(char port, int bit)
{
    avr_ioport_state_t st;
    if (avr_ioctl(vb.avr, AVR_IOCTL_IOPORT_GETSTATE(port), &st) != 0)
        return -1;
    return ((st.ddr >> bit) & 1) && ((st.port >> bit) & 1);
}

/* Runs the chip up to the wall clock, feeding host bytes at the line rate. */
static void run_chip(void)
{
    double t = now_s();
    if (t < vb.boot_until)
        return;
    if (vb.boot_until > 0) {
        vb.boot_until = 0;
        chip_reset_external();
        t = now_s();
    }
    avr_cycle_count_t target = vb.c0 + (avr_cycle_count_t)((t - vb.t0) * vb.cycles_per_s);
    /* Behind the host's clock (the host was busy): catch up, in slices of
     * 20 ms so the port and the control socket are served meanwhile. A
     * stall costs the chip no time. */
    if (vb.rtc_on)
        rtc_service();
    avr_cycle_count_t slice = vb.avr->cycle + vb.avr->frequency / 50;
    if (target > slice)
        target = slice;
    while (vb.avr->cycle < target && chip_running()) {
        if (vb.to_chip_len && vb.avr->cycle >= vb.next_rx_cycle) {
            unsigned baud = chip_baud();
            avr_irq_t *in = avr_io_getirq(vb.avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
            avr_raise_irq(in, line_garble(vb.to_chip[0], port_baud(), baud));
            memmove(vb.to_chip, vb.to_chip + 1, --vb.to_chip_len);
            /* ten bit times at the chip's own speed */
            vb.next_rx_cycle = vb.avr->cycle + vb.avr->frequency * 10 / baud;
        }
        apply_pending_clock();
        apply_pending_hang();
        avr_cycle_count_t before = vb.avr->cycle;
        avr_run(vb.avr);
        if (vb.avr->cycle < before) {
            /* the chip reset itself (its watchdog): simavr counts cycles
             * from 0 again, the wall clock goes on */
            vb.t0 += (double)(before - vb.c0) / vb.cycles_per_s;
            vb.c0 = vb.avr->cycle;
            vb.next_rx_cycle = vb.avr->cycle;
            logf_("chip reset by its watchdog");
            break;
        }
    }
    if (!chip_running()) {
        fprintf(stderr, "virtual-board: chip stopped (state %d); restarting\n", vb.avr->state);
        chip_restart();
    }
}

/* ---- main -------------------------------------------------------------- */

static char default_elf[PATH_MAX];

/* The bootloaders built with the firmware lie beside its ELF. */
static void bootloader_path(const char *name, char *out, size_t size)
{
    if (strcmp(name, "optiboot") && strcmp(name, "atmegaboot")) {
        snprintf(out, size, "%s", name);
        return;
    }
    const char *slash = strrchr(default_elf, '/');
    int dir = slash ? (int)(slash - default_elf) : 1;
    snprintf(out, size, "%.*s/%s.hex", dir, slash ? default_elf : ".", name);
}

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

/* An installed board runs the firmware installed with it (found relative to
 * its own executable, so any prefix works); a board in the build folder runs
 * the ELF of the same build. */
static void find_default_elf(void)
{
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    char *slash = n > 0 ? memrchr(self, '/', (size_t)n) : NULL;
    if (slash) {
        *slash = '\0';
        if ((size_t)snprintf(default_elf, sizeof default_elf, "%s/%s", self,
                             DAYWHEEL_INSTALLED_ELF) < sizeof default_elf
            && access(default_elf, R_OK) == 0)
            return;
    }
    snprintf(default_elf, sizeof default_elf, "%s", DAYWHEEL_DEFAULT_ELF);
}

static void usage(FILE *f)
{
    fprintf(f,
            "usage: daywheel-virtual-board [--elf FILE] [--link PATH] [--control PATH]\n"
            "                              [--eeprom FILE] [--boot-delay MS] [--rtc] [--verbose]\n"
            "                              [--clock-error PPM]\n"
            "                              [--bootloader optiboot|atmegaboot|FILE.hex [--blank]]\n"
            "  --elf FILE        firmware to run (default %s)\n"
            "  --link PATH       port link (default $XDG_RUNTIME_DIR/daywheel/ports/com10)\n"
            "  --control PATH    Unix socket for test commands (light?, settime S, ...)\n"
            "  --eeprom FILE     keep the EEPROM in FILE across runs\n"
            "  --boot-delay MS   time the chip stays in reset after the port opens or a\n"
            "                    reset (default %d, as the Uno's bootloader), without\n"
            "                    --bootloader\n"
            "  --bootloader B    run the real bootloader B at its boot address: optiboot\n"
            "                    (Uno, 115200 baud), atmegaboot (old Nano, 57600) or a hex file\n"
            "  --blank           the chip holds only the bootloader, as before its first flash\n"
            "  --rtc             fit a battery-backed clock module (DS1307 layout, I2C 0x68)\n"
            "                    that keeps host time\n"
            "  --clock-error PPM the chip's 16 MHz runs PPM parts per million fast (+) or\n"
            "                    slow (-) against the host's clock, as a resonator does\n",
            default_elf, BOOT_HOLD_MS);
}

static void default_link(char *out, size_t size)
{
    const char *rt = getenv("XDG_RUNTIME_DIR");
    char fallback[PATH_MAX];
    if (!rt || !*rt) {
        /* where Qt looks when the variable is missing */
        snprintf(fallback, sizeof fallback, "/run/user/%ld", (long)getuid());
        struct stat st;
        if (stat(fallback, &st) != 0) {
            const char *user = getenv("USER");
            snprintf(fallback, sizeof fallback, "/tmp/runtime-%s", user && *user ? user : "root");
        }
        rt = fallback;
        fprintf(stderr, "virtual-board: XDG_RUNTIME_DIR is not set; using %s\n", rt);
    }
    if ((size_t)snprintf(out, size, "%.*s/daywheel/ports/com10", PATH_MAX - 64, rt) >= size)
        die("runtime folder path too long");
}

int main(int argc, char **argv)
{
    find_default_elf();
    const char *elf = default_elf;
    long boot_ms = BOOT_HOLD_MS;
    const char *bootloader = NULL;
    int blank = 0;
    double clock_error = 0;

    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : NULL;
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            usage(stdout);
            return 0;
        } else if (strcmp(a, "--verbose") == 0) {
            vb.verbose = 1;
            continue;
        } else if (strcmp(a, "--rtc") == 0) {
            vb.rtc_on = 1;
            continue;
        } else if (strcmp(a, "--blank") == 0) {
            blank = 1;
            continue;
        }
        if (!v) {
            usage(stderr);
            return 2;
        }
        if (strcmp(a, "--elf") == 0)
            elf = v;
        else if (strcmp(a, "--link") == 0)
            snprintf(vb.link_path, sizeof vb.link_path, "%s", v);
        else if (strcmp(a, "--control") == 0)
            snprintf(vb.control_path, sizeof vb.control_path, "%s", v);
        else if (strcmp(a, "--eeprom") == 0)
            snprintf(vb.eeprom_path, sizeof vb.eeprom_path, "%s", v);
        else if (strcmp(a, "--boot-delay") == 0)
            boot_ms = strtol(v, NULL, 10);
        else if (strcmp(a, "--bootloader") == 0)
            bootloader = v;
        else if (strcmp(a, "--clock-error") == 0) {
            char *end;
            clock_error = strtod(v, &end);
            if (*end || !(clock_error >= -100000 && clock_error <= 100000)) {
                fprintf(stderr, "virtual-board: --clock-error takes -100000..100000 ppm\n");
                return 2;
            }
        }
        else {
            usage(stderr);
            return 2;
        }
        ++i;
    }
    vb.boot_delay = boot_ms > 0 ? boot_ms / 1000.0 : 0;
    if (blank && !bootloader) {
        fprintf(stderr, "virtual-board: --blank needs --bootloader\n");
        return 2;
    }
    if (!vb.link_path[0])
        default_link(vb.link_path, sizeof vb.link_path);

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
    if (bootloader) {
        char path[PATH_MAX];
        bootloader_path(bootloader, path, sizeof path);
        if (blank)
            memset(vb.avr->flash, 0xFF, vb.avr->flashend + 1);
        load_bootloader(path);
    }
    vb.avr->sleep = no_sleep;
    /* struct dw_kept: seconds (4 bytes), ms (2), known (1), ... */
    vb.sym_seconds = find_symbol("dw_clock");
    if (!vb.sym_seconds)
        die("%s has no dw_clock symbol", elf);
    vb.sym_ms = vb.sym_seconds + 4;
    vb.sym_known = vb.sym_seconds + 6;

    uint32_t uart_flags = 0;
    avr_ioctl(vb.avr, AVR_IOCTL_UART_GET_FLAGS('0'), &uart_flags);
    uart_flags &= ~(uint32_t)(AVR_UART_FLAG_STDIO | AVR_UART_FLAG_POLL_SLEEP);
    avr_ioctl(vb.avr, AVR_IOCTL_UART_SET_FLAGS('0'), &uart_flags);
    avr_irq_register_notify(avr_io_getirq(vb.avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            uart_output, NULL);

    if (vb.rtc_on)
        rtc_attach();
    eeprom_load_file();
    port_create();
    link_create();
    control_create();

    struct sigaction sa = {.sa_handler = on_signal};
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, NULL);
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGHUP, &sa, NULL);
    signal(SIGPIPE, SIG_IGN);

    printf("virtual board on %s -> %s%s%s\n", vb.link_path, vb.slave_name,
           vb.control_path[0] ? ", control " : "", vb.control_path);
    fflush(stdout);

    chip_restart();
    while (!stop_requested) {
        service_port();
        service_control();
        run_chip();
        service_port();
        double t = now_s();
        if (t >= vb.next_eeprom_check) {
            eeprom_save_if_changed();
            vb.next_eeprom_check = t + 0.1;
        }
        /* wait a millisecond (about one byte at 9600 bit/s) or for input */
        struct pollfd fds[2 + MAX_CLIENTS];
        nfds_t nf = 0;
        /* a full queue waits for the chip, not for more input; a hang-up
         * is reported all the same */
        if (vb.port_open)
            fds[nf++] = (struct pollfd){
                .fd = vb.master, .events = vb.to_chip_len < HOST_QUEUE ? POLLIN : 0};
        if (vb.control_fd >= 0)
            fds[nf++] = (struct pollfd){.fd = vb.control_fd, .events = POLLIN};
        for (int i = 0; i < MAX_CLIENTS; ++i)
            if (vb.control_fd >= 0 && vb.clients[i].fd >= 0)
                fds[nf++] = (struct pollfd){.fd = vb.clients[i].fd, .events = POLLIN};
        /* still catching up: no wait */
        poll(fds, nf, vb.boot_until == 0 && now_s() - vb.t0 >
                              (double)(vb.avr->cycle - vb.c0) / vb.cycles_per_s + 0.002
                          ? 0 : 1);
    }

    eeprom_save_if_changed();
    link_remove();
    if (vb.control_fd >= 0) {
        close(vb.control_fd);
        unlink(vb.control_path);
    }
    avr_terminate(vb.avr);
    return 0;
}
