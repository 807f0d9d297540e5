// SPDX-License-Identifier: GPL-3.0-or-later
/* Runs the board firmware on simavr and offers it as a serial port: a
 * pseudo-terminal linked as .../daywheel/ports/com10, restarted when a
 * program opens it (as the real board's USB bridge does), plus a line-based
 * control socket for tests. Options and the main loop; the chip is in
 * chip.c (its timing where simavr's differs in timing.c), the files, port
 * and socket in board_io.c. See README.md. */
#include "virtual_board.h"

/* DW_BOOT_HOLD_MS: the hold the firmware adds back to the time it kept
 * when it finds no bootloader; the imitated hold is the same. */
#include "dw_clock.h"

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
    /* nothing left on disk that looks like a working board */
    link_remove();
    control_remove();
    exit(1);
}

/* simavr's own warnings and errors (a blank chip's crash every second)
 * only with --verbose, on stderr with the board's own; its chatter about
 * loading the ELF never */
static void simavr_says(avr_t *avr, const int level, const char *fmt, va_list ap)
{
    if (vb.verbose && level <= (avr ? avr->log : LOG_WARNING))
        vfprintf(stderr, fmt, ap);
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
            "                              [--clock-error PPM] [--watchdog-error PPM]\n"
            "                              [--bootloader optiboot|atmegaboot|FILE.hex [--blank]]\n"
            "  --elf FILE        firmware to run (default %s)\n"
            "  --link PATH       port link (default $XDG_RUNTIME_DIR/daywheel/ports/com10)\n"
            "  --control PATH    Unix socket for test commands (light?, settime S, ...)\n"
            "  --eeprom FILE     keep the EEPROM in FILE across runs\n"
            "  --boot-delay MS   time the chip stays in reset after the port opens or a\n"
            "                    reset (default %u, as the Uno's bootloader), without\n"
            "                    --bootloader\n"
            "  --bootloader B    run the real bootloader B at its boot address: optiboot\n"
            "                    (Uno, 115200 baud), atmegaboot (old Nano, 57600) or a hex file\n"
            "  --blank           the chip holds only the bootloader, as before its first flash\n"
            "  --rtc             fit a battery-backed clock module (DS1307 layout, I2C 0x68)\n"
            "                    that keeps host time\n"
            "  --clock-error PPM the chip's 16 MHz runs PPM parts per million fast (+) or\n"
            "                    slow (-) against the host's clock, as a resonator does\n"
            "  --watchdog-error PPM the watchdog's 128 kHz oscillator runs PPM off (a\n"
            "                    real one is often several per cent off); it times the\n"
            "                    chip's reset time-out and Optiboot's wait\n",
            default_elf, DW_BOOT_HOLD_MS);
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
    vb.control_fd = -1;
    find_default_elf();
    const char *elf = default_elf;
    long boot_ms = DW_BOOT_HOLD_MS;
    const char *bootloader = NULL;
    int blank = 0;
    double clock_error = 0;
    char *end;

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
            clock_error = strtod(v, &end);
            if (*end || !(clock_error >= -100000 && clock_error <= 100000)) {
                fprintf(stderr, "virtual-board: --clock-error takes -100000..100000 ppm\n");
                return 2;
            }
        } else if (strcmp(a, "--watchdog-error") == 0) {
            vb.wdt_error = strtod(v, &end);
            if (*end || !(vb.wdt_error >= -500000 && vb.wdt_error <= 500000)) {
                fprintf(stderr, "virtual-board: --watchdog-error takes -500000..500000 ppm\n");
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

    avr_global_logger_set(simavr_says);
    char boot_path[PATH_MAX];
    if (bootloader)
        bootloader_path(bootloader, boot_path, sizeof boot_path);
    chip_create(elf, bootloader ? boot_path : NULL, blank, clock_error);
    eeprom_load_file();

    /* before anything appears on disk: a signal from then on ends the board
     * cleanly, its link and socket removed */
    struct sigaction sa = {.sa_handler = on_signal};
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, NULL);
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGHUP, &sa, NULL);
    signal(SIGPIPE, SIG_IGN);

    /* the link last: once it is there, the port and the control socket work */
    port_create();
    control_create();
    link_create();

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
        /* wait a millisecond (about a byte's time on the line) or for input */
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
    control_remove();
    avr_terminate(vb.avr);
    return 0;
}
