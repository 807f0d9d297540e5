/* Runs the board firmware on simavr and offers it as a serial port: a
 * pseudo-terminal linked as .../daywheel/ports/com10, restarted when a
 * program opens it (as the real board's USB bridge does), plus a line-based
 * control socket for tests. See README.md. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <avr_eeprom.h>
#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>

#define EEPROM_SIZE 1024
#define MAX_CLIENTS 8
#define CLIENT_LINE 256
#define HOST_QUEUE 4096
#define DAY_SECONDS 86400u

struct client {
    int fd;
    char buf[CLIENT_LINE];
    size_t len;
};

static struct {
    avr_t *avr;
    elf_firmware_t fw;
    uint32_t sym_seconds, sym_ms;   /* data-space addresses of the clock */

    int master;
    char slave_name[PATH_MAX];
    int port_open;                  /* some program has the slave open */
    double boot_until;              /* chip held in reset (bootloader) until then */
    double boot_delay;

    /* host -> chip bytes, fed to the UART at the line rate */
    uint8_t to_chip[HOST_QUEUE];
    size_t to_chip_len;
    avr_cycle_count_t next_rx_cycle;
    avr_cycle_count_t cycles_per_byte;

    /* chip -> host bytes waiting for the pty */
    uint8_t to_host[HOST_QUEUE];
    size_t to_host_len;

    /* real-time pacing: cycle c0 ran at wall time t0 */
    double t0;
    avr_cycle_count_t c0;

    /* clock writes wait for a moment the firmware is not touching the clock */
    int pending_clock;
    uint32_t pending_seconds;
    int pending_reset_ms;

    char link_path[PATH_MAX];
    char control_path[PATH_MAX];
    int control_fd;
    struct client clients[MAX_CLIENTS];

    char eeprom_path[PATH_MAX];
    uint8_t eeprom_saved[EEPROM_SIZE];
    double next_eeprom_check;

    int verbose;
} vb;

static volatile sig_atomic_t stop_requested;

static void on_signal(int sig)
{
    (void)sig;
    stop_requested = 1;
}

static double now_s(void)
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

static void logf_(const char *fmt, ...)
{
    if (!vb.verbose)
        return;
    va_list ap;
    va_start(ap, fmt);
    vmessage(fmt, ap);
    va_end(ap);
}

static void die(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vmessage(fmt, ap);
    va_end(ap);
    exit(1);
}

/* ---- EEPROM ------------------------------------------------------------ */

/* simavr's EEPROM ioctls return -1 even when they worked, so success is
 * judged by reading back (eeprom_load_file checks it once). */
static void eeprom_get(uint8_t *out)
{
    avr_eeprom_desc_t d = {.ee = out, .offset = 0, .size = EEPROM_SIZE};
    avr_ioctl(vb.avr, AVR_IOCTL_EEPROM_GET, &d);
}

static void eeprom_set(const uint8_t *in)
{
    avr_eeprom_desc_t d = {.ee = (uint8_t *)in, .offset = 0, .size = EEPROM_SIZE};
    avr_ioctl(vb.avr, AVR_IOCTL_EEPROM_SET, &d);
}

static void eeprom_load_file(void)
{
    uint8_t buf[EEPROM_SIZE];
    memset(buf, 0xFF, sizeof buf);    /* an erased chip reads 0xFF */
    if (vb.eeprom_path[0]) {
        FILE *f = fopen(vb.eeprom_path, "rb");
        if (f) {
            size_t n = fread(buf, 1, sizeof buf, f);
            fclose(f);
            logf_("EEPROM: %zu bytes from %s", n, vb.eeprom_path);
        }
    }
    eeprom_set(buf);
    uint8_t check[EEPROM_SIZE];
    memset(check, 0x5A, sizeof check);
    eeprom_get(check);
    if (memcmp(check, buf, sizeof buf) != 0)
        die("cannot reach the simulated EEPROM");
    memcpy(vb.eeprom_saved, buf, sizeof buf);
}

/* Writes the EEPROM image if it changed, via a rename so a killed process
 * never leaves a torn file. */
static void eeprom_save_if_changed(void)
{
    if (!vb.eeprom_path[0])
        return;
    uint8_t cur[EEPROM_SIZE];
    eeprom_get(cur);
    if (memcmp(cur, vb.eeprom_saved, sizeof cur) == 0)
        return;
    char tmp[PATH_MAX + 8];
    snprintf(tmp, sizeof tmp, "%s.tmp", vb.eeprom_path);
    FILE *f = fopen(tmp, "wb");
    if (!f || fwrite(cur, 1, sizeof cur, f) != sizeof cur || fclose(f) != 0) {
        fprintf(stderr, "virtual-board: cannot write %s: %s\n", tmp, strerror(errno));
        return;
    }
    if (rename(tmp, vb.eeprom_path) != 0) {
        fprintf(stderr, "virtual-board: cannot rename to %s: %s\n", vb.eeprom_path, strerror(errno));
        return;
    }
    memcpy(vb.eeprom_saved, cur, sizeof cur);
    logf_("EEPROM saved");
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
        vb.to_host[vb.to_host_len++] = (uint8_t)value;
}

static void pacing_rebase(void)
{
    vb.t0 = now_s();
    vb.c0 = vb.avr->cycle;
    vb.next_rx_cycle = vb.avr->cycle;
}

/* Reset as on power-up or a reset pulse: RAM and registers go, EEPROM stays. */
static void chip_restart(void)
{
    uint8_t ee[EEPROM_SIZE];
    eeprom_get(ee);
    avr_reset(vb.avr);
    /* RAM content after power loss is undefined; make sure nothing survives */
    memset(vb.avr->data + 0x100, 0xA5, vb.avr->ramend + 1 - 0x100);
    eeprom_set(ee);
    vb.pending_clock = 0;
    vb.to_chip_len = 0;
    pacing_rebase();
    logf_("chip restarted");
}

static uint32_t find_symbol(const char *name)
{
    for (uint32_t i = 0; i < vb.fw.symbolcount; ++i)
        if (vb.fw.symbol[i] && strcmp(vb.fw.symbol[i]->symbol, name) == 0)
            return vb.fw.symbol[i]->addr;
    return 0;
}

static uint32_t read_u32(uint32_t addr)
{
    const uint8_t *p = vb.avr->data + (addr & 0xFFFF);
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static int chip_running(void)
{
    return vb.avr->state == cpu_Running || vb.avr->state == cpu_Sleeping;
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

static int light_pin(char port, int bit)
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
        chip_restart();
        t = now_s();
    }
    avr_cycle_count_t target = vb.c0 + (avr_cycle_count_t)((t - vb.t0) * vb.avr->frequency);
    /* fell far behind (host was busy): don't try to catch up in a burst */
    if (target > vb.avr->cycle + vb.avr->frequency / 10) {
        pacing_rebase();
        return;
    }
    while (vb.avr->cycle < target && chip_running()) {
        if (vb.to_chip_len && vb.avr->cycle >= vb.next_rx_cycle) {
            avr_irq_t *in = avr_io_getirq(vb.avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
            avr_raise_irq(in, vb.to_chip[0]);
            memmove(vb.to_chip, vb.to_chip + 1, --vb.to_chip_len);
            vb.next_rx_cycle = vb.avr->cycle + vb.cycles_per_byte;
        }
        apply_pending_clock();
        avr_run(vb.avr);
    }
    if (!chip_running()) {
        fprintf(stderr, "virtual-board: chip stopped (state %d); restarting\n", vb.avr->state);
        chip_restart();
    }
}

/* ---- port -------------------------------------------------------------- */

static void port_create(void)
{
    struct termios raw;
    memset(&raw, 0, sizeof raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    raw.c_cflag |= CLOCAL | CREAD;
    int slave;
    if (openpty(&vb.master, &slave, vb.slave_name, &raw, NULL) != 0)
        die("openpty: %s", strerror(errno));
    /* closed again so that poll() on the master tells when a program opens it */
    close(slave);
    int fl = fcntl(vb.master, F_GETFL);
    fcntl(vb.master, F_SETFL, fl | O_NONBLOCK);
    fcntl(vb.master, F_SETFD, FD_CLOEXEC);
}

static void mkdirs_for(const char *path)
{
    char tmp[PATH_MAX];
    snprintf(tmp, sizeof tmp, "%s", path);
    for (char *p = tmp + 1; *p; ++p) {
        if (*p != '/')
            continue;
        *p = '\0';
        if (mkdir(tmp, 0700) != 0 && errno != EEXIST)
            die("cannot create %s: %s", tmp, strerror(errno));
        *p = '/';
    }
}

static void link_create(void)
{
    mkdirs_for(vb.link_path);
    struct stat st;
    if (lstat(vb.link_path, &st) == 0 && !S_ISLNK(st.st_mode))
        die("%s exists and is not a symbolic link; not replacing it", vb.link_path);
    char tmp[PATH_MAX + 32];
    snprintf(tmp, sizeof tmp, "%s.%ld", vb.link_path, (long)getpid());
    unlink(tmp);
    if (symlink(vb.slave_name, tmp) != 0 || rename(tmp, vb.link_path) != 0)
        die("cannot create link %s: %s", vb.link_path, strerror(errno));
}

static void link_remove(void)
{
    char target[PATH_MAX];
    ssize_t n = readlink(vb.link_path, target, sizeof target - 1);
    if (n < 0)
        return;
    target[n] = '\0';
    if (strcmp(target, vb.slave_name) == 0)     /* still ours */
        unlink(vb.link_path);
}

/* Notices a program opening or closing the port; moves bytes both ways. */
static void service_port(void)
{
    struct pollfd p = {.fd = vb.master, .events = POLLIN};
    if (poll(&p, 1, 0) < 0)
        return;
    int open_now = !(p.revents & POLLHUP);
    if (open_now && !vb.port_open) {
        logf_("port opened; resetting chip");
        vb.port_open = 1;
        vb.to_host_len = 0;
        vb.to_chip_len = 0;
        /* held in reset while the bootloader would run */
        vb.boot_until = now_s() + vb.boot_delay;
        if (vb.boot_until == 0)
            vb.boot_until = 1e-9;
    } else if (!open_now && vb.port_open) {
        logf_("port closed");
        vb.port_open = 0;
        vb.to_host_len = 0;
        vb.to_chip_len = 0;
        /* what the closed program wrote but the chip never got is gone, not
         * left in the pty for the next program's session */
        uint8_t junk[256];
        while (read(vb.master, junk, sizeof junk) > 0)
            ;
    }
    if (!vb.port_open)
        return;
    /* Read only what the queue takes: the rest waits in the pty, and the
     * writer with it, as on a real line; nothing is dropped. */
    size_t room = HOST_QUEUE - vb.to_chip_len;
    if ((p.revents & POLLIN) && room) {
        uint8_t buf[256];
        ssize_t n = read(vb.master, buf, room < sizeof buf ? room : sizeof buf);
        /* the bootloader eats what arrives while it runs */
        if (n > 0 && vb.boot_until == 0) {
            memcpy(vb.to_chip + vb.to_chip_len, buf, (size_t)n);
            vb.to_chip_len += (size_t)n;
        }
    }
    if (vb.to_host_len) {
        ssize_t n = write(vb.master, vb.to_host, vb.to_host_len);
        if (n > 0) {
            memmove(vb.to_host, vb.to_host + n, vb.to_host_len - (size_t)n);
            vb.to_host_len -= (size_t)n;
        }
    }
}

/* ---- control socket ---------------------------------------------------- */

static void client_send(struct client *c, const char *fmt, ...)
{
    char out[CLIENT_LINE];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(out, sizeof out - 1, fmt, ap);
    va_end(ap);
    if (n < 0)
        return;
    if ((size_t)n > sizeof out - 2)
        n = sizeof out - 2;
    out[n++] = '\n';
    /* answers are short; a client that does not read them loses them */
    (void)!write(c->fd, out, (size_t)n);
}

static int parse_seconds(const char *s, unsigned long *out)
{
    char *end;
    errno = 0;
    unsigned long v = strtoul(s, &end, 10);
    if (errno || end == s || *end || s[0] == '-')
        return 0;
    *out = v;
    return 1;
}

static void control_command(struct client *c, char *line)
{
    size_t n = strlen(line);
    while (n && (line[n - 1] == '\r' || line[n - 1] == ' '))
        line[--n] = '\0';
    char *arg = strchr(line, ' ');
    if (arg)
        *arg++ = '\0';
    unsigned long v;

    if (strcmp(line, "light?") == 0) {
        int led = light_pin('B', 5), relay = light_pin('D', 7);
        if (led == relay)
            client_send(c, "light %d", led);
        else
            client_send(c, "light mixed led %d relay %d", led, relay);
    } else if (strcmp(line, "time?") == 0) {
        client_send(c, "time %lu", (unsigned long)read_u32(vb.sym_seconds));
    } else if (strcmp(line, "settime") == 0 || strcmp(line, "advance") == 0) {
        if (!arg || !parse_seconds(arg, &v) || (line[0] == 's' && v >= DAY_SECONDS)) {
            client_send(c, "error: %s needs seconds%s", line,
                        line[0] == 's' ? " 0..86399" : "");
            return;
        }
        uint32_t base = line[0] == 's' ? 0 : read_u32(vb.sym_seconds) % DAY_SECONDS;
        vb.pending_seconds = (uint32_t)((base + v % DAY_SECONDS) % DAY_SECONDS);
        vb.pending_reset_ms = line[0] == 's';
        vb.pending_clock = 1;
        client_send(c, "ok");
    } else if (strcmp(line, "powercut") == 0) {
        eeprom_save_if_changed();
        chip_restart();
        client_send(c, "ok");
    } else if (strcmp(line, "open?") == 0) {
        client_send(c, "open %d", vb.port_open);
    } else if (strcmp(line, "quit") == 0) {
        client_send(c, "ok");
        stop_requested = 1;
    } else {
        client_send(c, "error: unknown command");
    }
}

static void control_create(void)
{
    if (!vb.control_path[0]) {
        vb.control_fd = -1;
        return;
    }
    struct sockaddr_un a = {.sun_family = AF_UNIX};
    if (strlen(vb.control_path) >= sizeof a.sun_path)
        die("control path too long: %s", vb.control_path);
    strcpy(a.sun_path, vb.control_path);
    mkdirs_for(vb.control_path);
    unlink(vb.control_path);
    vb.control_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (vb.control_fd < 0 || bind(vb.control_fd, (struct sockaddr *)&a, sizeof a) != 0 ||
        listen(vb.control_fd, 4) != 0)
        die("control socket %s: %s", vb.control_path, strerror(errno));
    for (int i = 0; i < MAX_CLIENTS; ++i)
        vb.clients[i].fd = -1;
}

static void service_control(void)
{
    if (vb.control_fd < 0)
        return;
    int fd = accept4(vb.control_fd, NULL, NULL, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        int slot = -1;
        for (int i = 0; i < MAX_CLIENTS; ++i)
            if (vb.clients[i].fd < 0) {
                slot = i;
                break;
            }
        if (slot < 0) {
            close(fd);
        } else {
            vb.clients[slot].fd = fd;
            vb.clients[slot].len = 0;
        }
    }
    for (int i = 0; i < MAX_CLIENTS; ++i) {
        struct client *c = &vb.clients[i];
        if (c->fd < 0)
            continue;
        ssize_t n = read(c->fd, c->buf + c->len, sizeof c->buf - 1 - c->len);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            close(c->fd);
            c->fd = -1;
            continue;
        }
        if (n < 0)
            continue;
        c->len += (size_t)n;
        char *nl;
        while (c->fd >= 0 && (nl = memchr(c->buf, '\n', c->len))) {
            *nl = '\0';
            size_t used = (size_t)(nl - c->buf) + 1;
            control_command(c, c->buf);
            memmove(c->buf, c->buf + used, c->len - used);
            c->len -= used;
        }
        if (c->len == sizeof c->buf - 1) {
            client_send(c, "error: line too long");
            c->len = 0;
        }
    }
}

/* ---- main -------------------------------------------------------------- */

static char default_elf[PATH_MAX];

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
            "                              [--eeprom FILE] [--boot-delay MS] [--verbose]\n"
            "  --elf FILE        firmware to run (default %s)\n"
            "  --link PATH       port link (default $XDG_RUNTIME_DIR/daywheel/ports/com10)\n"
            "  --control PATH    Unix socket for test commands (light?, settime S, ...)\n"
            "  --eeprom FILE     keep the EEPROM in FILE across runs\n"
            "  --boot-delay MS   time the chip stays in reset after the port opens (default 300)\n",
            default_elf);
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
    long boot_ms = 300;

    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : NULL;
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            usage(stdout);
            return 0;
        } else if (strcmp(a, "--verbose") == 0) {
            vb.verbose = 1;
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
        else {
            usage(stderr);
            return 2;
        }
        ++i;
    }
    vb.boot_delay = boot_ms > 0 ? boot_ms / 1000.0 : 0;
    if (!vb.link_path[0])
        default_link(vb.link_path, sizeof vb.link_path);

    if (elf_read_firmware(elf, &vb.fw) != 0)
        die("cannot read firmware %s", elf);
    if (!vb.fw.mmcu[0])
        strcpy(vb.fw.mmcu, "atmega328p");
    if (!vb.fw.frequency)
        vb.fw.frequency = 16000000;
    vb.avr = avr_make_mcu_by_name(vb.fw.mmcu);
    if (!vb.avr)
        die("simavr does not know %s", vb.fw.mmcu);
    avr_init(vb.avr);
    vb.avr->log = vb.verbose ? LOG_WARNING : LOG_ERROR;
    avr_load_firmware(vb.avr, &vb.fw);
    vb.avr->sleep = no_sleep;
    vb.sym_seconds = find_symbol("dw_clock_seconds");
    vb.sym_ms = find_symbol("dw_clock_ms");
    if (!vb.sym_seconds || !vb.sym_ms)
        die("%s has no dw_clock_seconds/dw_clock_ms symbols", elf);
    /* 10 bits per byte at 9600 bit/s */
    vb.cycles_per_byte = (avr_cycle_count_t)vb.avr->frequency * 10 / 9600;

    uint32_t uart_flags = 0;
    avr_ioctl(vb.avr, AVR_IOCTL_UART_GET_FLAGS('0'), &uart_flags);
    uart_flags &= ~(uint32_t)(AVR_UART_FLAG_STDIO | AVR_UART_FLAG_POLL_SLEEP);
    avr_ioctl(vb.avr, AVR_IOCTL_UART_SET_FLAGS('0'), &uart_flags);
    avr_irq_register_notify(avr_io_getirq(vb.avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            uart_output, NULL);

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
        poll(fds, nf, 1);
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
