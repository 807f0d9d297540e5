/* SPDX-License-Identifier: GPL-3.0-or-later */
/* The virtual board's parts: the simulated chip (chip.c, timing.c), its EEPROM file,
   the pseudo-terminal it is offered on and the control socket tests use
   (board_io.c), and the options and main loop (virtual_board.c). */
#pragma once

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
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <avr_eeprom.h>
#include <avr_ioport.h>
#include <avr_twi.h>
#include <avr_uart.h>
#include <ds1338_virt.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_hex.h>
#include <sim_regbit.h>

#define EEPROM_SIZE 1024
#define MAX_CLIENTS 8
#define CLIENT_LINE 256
#define HOST_QUEUE 4096
#define DAY_SECONDS 86400u
#define PRESS_SETTLE_MS 100u

struct client {
    int fd;
    char buf[CLIENT_LINE];
    size_t len;
};

struct virtual_board {
    avr_t *avr;
    avr_run_t run_normal;           /* its run function while no reset is due */
    elf_firmware_t fw;
    uint32_t sym_seconds, sym_ms;   /* data-space addresses of the clock */
    uint32_t sym_known;
    uint32_t sym_day;               /* its date: days since 2000-01-01, 0xFFFF none */
    uint32_t hang_pc;               /* a jump to itself in the firmware (`hang`) */
    int pending_hang;
    uint32_t sym_bss_end;           /* the static data's end but .noinit (`stack`) */

    /* `press`: the button on PD2 held low until the chip's cycle
     * press_until, then open for PRESS_SETTLE_MS (press_settling), then
     * `ok` to the client that asked (its fd, if still the same) */
    int pressed;
    int press_settling;
    avr_cycle_count_t press_until;
    int press_fd;
    int press_done;

    /* --bootloader: the chip starts there, as with BOOTRST; no imitation */
    uint32_t boot_addr;             /* 0: none */

    int master;
    char slave_name[PATH_MAX];
    int port_open;                  /* some program has the slave open */
    int open_watch;                 /* inotify on the slave: every open resets */
    double boot_until;              /* chip held in reset until then */
    int boot_reset;                 /* and reset at its release (else it stands reset) */
    double boot_delay;              /* the imitated bootloader's hold */
    double wdt_error;               /* the watchdog oscillator's error, ppm */

    /* host -> chip bytes, fed to the UART at the line rate */
    uint8_t to_chip[HOST_QUEUE];
    size_t to_chip_len;
    avr_cycle_count_t next_rx_cycle;

    /* chip -> host bytes waiting for the pty */
    uint8_t to_host[HOST_QUEUE];
    size_t to_host_len;

    /* real-time pacing: cycle c0 ran at wall time t0; the chip runs
     * cycles_per_s cycles in a host second (its nominal frequency, off by
     * --clock-error as a real resonator is) */
    double t0;
    avr_cycle_count_t c0;
    double cycles_per_s;

    /* clock writes wait for a moment the firmware is not touching the clock */
    int pending_clock;
    uint32_t pending_seconds;
    uint64_t pending_days;          /* midnights an `advance` passes */
    int pending_reset_ms;

    char link_path[PATH_MAX];
    char control_path[PATH_MAX];
    int control_fd;
    struct client clients[MAX_CLIENTS];

    char eeprom_path[PATH_MAX];
    uint8_t eeprom_saved[EEPROM_SIZE];
    double next_eeprom_check;

    /* --rtc: a battery-backed clock module on the TWI bus, keeping host
     * time: local time rtc_base at monotonic time rtc_t0 */
    int rtc_on;
    ds1338_virt_t rtc;
    double rtc_t0;
    uint64_t rtc_base;              /* local seconds since 2000-01-01 */
    int rtc_writes;                 /* data bytes the firmware wrote to it */
    int rtc_written;                /* a write to its clock ended: take it over */

    int verbose;
};

extern struct virtual_board vb;
extern volatile sig_atomic_t stop_requested;

double now_s(void);
void logf_(const char *fmt, ...);
__attribute__((noreturn)) void die(const char *fmt, ...);

/* chip.c */
void chip_create(const char *elf, const char *bootloader, int blank, double clock_error);
void run_chip(void);
void chip_restart(void);
void chip_reset_external(void);
void chip_hold(double from, double seconds, int reset);
void chip_reset_for_open(void);
unsigned chip_baud(void);
uint8_t line_garble(uint8_t byte, unsigned from_baud, unsigned to_baud);
int light_pin(char port, int bit);
void button_apply(void);
uint32_t read_u32(uint32_t addr);

/* timing.c */
void timing_attach(void);
void watchdog_follow(void);
double reset_timeout(void);

/* board_io.c */
void eeprom_get(uint8_t *out);
void eeprom_set(const uint8_t *in);
void eeprom_load_file(void);
void eeprom_save_if_changed(void);
unsigned port_baud(void);
void port_create(void);
void link_create(void);
void link_remove(void);
void service_port(void);
void control_create(void);
void control_remove(void);
void service_control(void);
