/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The board's EEPROM file, its serial port and its control socket. */
#include "virtual_board.h"

#include "protocol/daywheel_protocol.h"

/* ---- EEPROM ------------------------------------------------------------ */

/* simavr's EEPROM ioctls return -1 even when they worked, so success is
 * judged by reading back (eeprom_load_file checks it once). */
void eeprom_get(uint8_t *out)
{
    avr_eeprom_desc_t d = {.ee = out, .offset = 0, .size = EEPROM_SIZE};
    avr_ioctl(vb.avr, AVR_IOCTL_EEPROM_GET, &d);
}

void eeprom_set(const uint8_t *in)
{
    avr_eeprom_desc_t d = {.ee = (uint8_t *)in, .offset = 0, .size = EEPROM_SIZE};
    avr_ioctl(vb.avr, AVR_IOCTL_EEPROM_SET, &d);
}

void eeprom_load_file(void)
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
void eeprom_save_if_changed(void)
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

/* ---- port -------------------------------------------------------------- */

static const struct { speed_t code; unsigned baud; } speeds[] = {
    {B1200, 1200}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200},
    {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

static speed_t speed_code(unsigned baud)
{
    for (size_t i = 0; i < sizeof speeds / sizeof speeds[0]; ++i)
        if (speeds[i].baud == baud)
            return speeds[i].code;
    die("no termios speed for %u bit/s", baud);
}

/* The pty starts as the line runs: cfmakeraw's 8N1 at the line's speed. */
_Static_assert(DW_LINE_DATA_BITS == 8 && DW_LINE_STOP_BITS == 1, "cfmakeraw sets 8N1");

void port_create(void)
{
    struct termios raw;
    memset(&raw, 0, sizeof raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, speed_code(DW_LINE_BAUD));
    cfsetospeed(&raw, speed_code(DW_LINE_BAUD));
    raw.c_cflag |= CLOCAL | CREAD;
    int slave;
    if (openpty(&vb.master, &slave, vb.slave_name, &raw, NULL) != 0)
        die("openpty: %s", strerror(errno));
    /* closed again so that poll() on the master tells when nobody has it
     * open; every open itself is seen through inotify, however soon it
     * follows a close */
    close(slave);
    vb.open_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (vb.open_watch < 0 || inotify_add_watch(vb.open_watch, vb.slave_name, IN_OPEN) < 0)
        die("cannot watch %s for opens: %s", vb.slave_name, strerror(errno));
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

void link_create(void)
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

void link_remove(void)
{
    char target[PATH_MAX];
    ssize_t n = readlink(vb.link_path, target, sizeof target - 1);
    if (n < 0)
        return;
    target[n] = '\0';
    if (strcmp(target, vb.slave_name) == 0)     /* still ours */
        unlink(vb.link_path);
}

/* The speed the program set on its port (the pty's termios), in bit/s;
 * 0 when unknown. */
unsigned port_baud(void)
{
    struct termios t;
    if (tcgetattr(vb.master, &t) != 0)
        return 0;
    speed_t code = cfgetospeed(&t);
    for (size_t i = 0; i < sizeof speeds / sizeof speeds[0]; ++i)
        if (speeds[i].code == code)
            return speeds[i].baud;
    return 0;
}

/* How many programs opened the port since the last look. */
static int opens_seen(void)
{
    int opens = 0;
    char buf[4096] __attribute__((aligned(__alignof__(struct inotify_event))));
    ssize_t n;
    while ((n = read(vb.open_watch, buf, sizeof buf)) > 0)
        for (char *e = buf; e < buf + n; e += sizeof(struct inotify_event) + ((struct inotify_event *)e)->len)
            opens += (((struct inotify_event *)e)->mask & IN_OPEN) != 0;
    return opens;
}

/* Notices a program opening or closing the port; moves bytes both ways. */
void service_port(void)
{
    /* The opens first, then whether the port is open: an open between the
     * two is then seen open now and counted next time. The other way round
     * an open just after a close was counted while the port still looked
     * closed, and lost: the chip never reset, no greeting came. */
    int opens = opens_seen();
    struct pollfd p = {.fd = vb.master, .events = POLLIN};
    if (poll(&p, 1, 0) < 0)
        return;
    int open_now = !(p.revents & POLLHUP);
    if (opens && open_now) {
        logf_("port opened; resetting chip");
        chip_reset_for_open();   /* first: what it says before is not the new program's */
        vb.port_open = 1;
        vb.to_host_len = 0;
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
            /* delivered no earlier than the chip's moment for now: while it
             * catches up after a host stall, it must not answer from its past */
            avr_cycle_count_t arrival =
                vb.c0 + (avr_cycle_count_t)((now_s() - vb.t0) * vb.cycles_per_s);
            if (vb.to_chip_len == 0 && vb.next_rx_cycle < arrival)
                vb.next_rx_cycle = arrival;
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

/* What the firmware paints its free RAM with (firmware/src/hw.h). */
#define STACK_PAINT 0x5C

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
        client_send(c, "time %lu.%03lu", (unsigned long)read_u32(vb.sym_seconds),
                    (unsigned long)(read_u32(vb.sym_ms) & 0xFFFF));
    } else if (strcmp(line, "settime") == 0 || strcmp(line, "advance") == 0) {
        if (!arg || !parse_seconds(arg, &v) || (line[0] == 's' && v >= DAY_SECONDS)) {
            client_send(c, "error: %s needs seconds%s", line,
                        line[0] == 's' ? " 0..86399" : "");
            return;
        }
        /* advance: as the chip would have run through the time, every
         * midnight passed moves the date on (and the weekday of a board
         * that knows no date) */
        uint64_t base = line[0] == 's' ? 0 : read_u32(vb.sym_seconds) % DAY_SECONDS;
        vb.pending_seconds = (uint32_t)((base + v) % DAY_SECONDS);
        vb.pending_days = (base + v) / DAY_SECONDS;
        vb.pending_reset_ms = line[0] == 's';
        vb.pending_clock = 1;
        client_send(c, "ok");
    } else if (strcmp(line, "powercut") == 0) {
        eeprom_save_if_changed();
        chip_restart();
        client_send(c, "ok");
    } else if (strcmp(line, "reset") == 0) {
        chip_reset_for_open();
        client_send(c, "ok");
    } else if (strcmp(line, "hang") == 0) {
        /* avr-libc's endless loop after main (cli, then a jump to itself),
         * entered past its cli, in the firmware the chip holds now */
        static const uint8_t stop[] = {0xF8, 0x94, 0xFF, 0xCF};
        uint32_t end = vb.boot_addr ? vb.boot_addr : vb.avr->flashend + 1;
        uint8_t *at = memmem(vb.avr->flash, end, stop, sizeof stop);
        if (!at) {
            client_send(c, "error: the firmware has no endless loop to hang in");
            return;
        }
        vb.hang_pc = (uint32_t)(at - vb.avr->flash) + 2;
        vb.pending_hang = 1;
        client_send(c, "ok");
    } else if (strcmp(line, "press") == 0) {
        /* held 0.2 s, or the seconds given (decimals allowed), of the
         * chip's time; answered once let go */
        char *end = NULL;
        const double held = arg ? strtod(arg, &end) : 0.2;
        if (arg && (end == arg || *end || !(held > 0.0 && held <= 60.0))) {
            client_send(c, "error: press needs seconds above 0, up to 60");
            return;
        }
        if (vb.pressed || vb.press_settling) {
            client_send(c, "error: the button is pressed already");
            return;
        }
        vb.pressed = 1;
        vb.press_until = vb.avr->cycle + (avr_cycle_count_t)(held * vb.avr->frequency);
        vb.press_fd = c->fd;
        vb.press_done = 0;
        button_apply();
    } else if (strcmp(line, "stack") == 0) {
        /* the firmware paints the RAM above its static data at start: the
         * longest run of that paint is what the stack never reached */
        if (!vb.sym_bss_end) {
            client_send(c, "error: the firmware names no __bss_end");
            return;
        }
        unsigned best = 0, run = 0;
        for (uint32_t a = vb.sym_bss_end & 0xFFFF; a <= vb.avr->ramend; ++a) {
            run = vb.avr->data[a] == STACK_PAINT ? run + 1 : 0;
            if (run > best)
                best = run;
        }
        client_send(c, "stack %u", best);
    } else if (strcmp(line, "open?") == 0) {
        client_send(c, "open %d", vb.port_open);
    } else if (strcmp(line, "quit") == 0) {
        client_send(c, "ok");
        stop_requested = 1;
    } else {
        client_send(c, "error: unknown command");
    }
}

/* The socket appears at its path only once it takes connections: bound
 * under a temporary name beside it, listening, then renamed into place, so
 * a client that connects as soon as it sees the path is never refused. */
void control_create(void)
{
    vb.control_fd = -1;
    for (int i = 0; i < MAX_CLIENTS; ++i)
        vb.clients[i].fd = -1;
    if (!vb.control_path[0])
        return;
    struct sockaddr_un a = {.sun_family = AF_UNIX};
    if ((size_t)snprintf(a.sun_path, sizeof a.sun_path, "%s.%ld", vb.control_path, (long)getpid()) >=
        sizeof a.sun_path)
        die("control path too long: %s", vb.control_path);
    mkdirs_for(vb.control_path);
    unlink(a.sun_path);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, (struct sockaddr *)&a, sizeof a) != 0 || listen(fd, 4) != 0 ||
        rename(a.sun_path, vb.control_path) != 0) {
        int err = errno;
        unlink(a.sun_path);
        die("control socket %s: %s", vb.control_path, strerror(err));
    }
    vb.control_fd = fd;
}

/* Gone from its path before it stops taking connections. */
void control_remove(void)
{
    if (vb.control_fd < 0)
        return;
    unlink(vb.control_path);
    close(vb.control_fd);
    vb.control_fd = -1;
}

void service_control(void)
{
    if (vb.control_fd < 0)
        return;
    if (vb.press_done) {
        vb.press_done = 0;
        for (int i = 0; i < MAX_CLIENTS; ++i)
            if (vb.clients[i].fd >= 0 && vb.clients[i].fd == vb.press_fd)
                client_send(&vb.clients[i], "ok");
        vb.press_fd = -1;
    }
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
            if (c->fd == vb.press_fd)
                vb.press_fd = -1;   /* its fd may come back for another */
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

