// SPDX-License-Identifier: GPL-3.0-or-later
/* The line protocol between the desktop program and the board, named once
 * for both: the firmware (C, avr-libc) and the host (C++) include this.
 * Every line ends in a line feed; the board ends its lines in CR LF. */
#ifndef DAYWHEEL_PROTOCOL_H
#define DAYWHEEL_PROTOCOL_H

/* The line: 9600 bit/s, 8 data bits, no parity, 1 stop bit, so a byte takes
 * DW_LINE_BITS_PER_BYTE bit times on the wire. */
#define DW_LINE_BAUD 9600U
#define DW_LINE_DATA_BITS 8U
#define DW_LINE_STOP_BITS 1U
#define DW_LINE_BITS_PER_BYTE (1U + DW_LINE_DATA_BITS + DW_LINE_STOP_BITS)

/* Commands, the first byte of a line. */
#define DW_CMD_SET_TIME 't'      /* "t" + hh:mm: the time of day, seconds 0 */
#define DW_CMD_STORE_A 'a'       /* "a" + the first half's 48 digits 0/1 */
#define DW_CMD_STORE_B 'b'       /* "b" + the second half's */
#define DW_CMD_GET_TIME 'z'      /* answer: seconds after midnight */
#define DW_CMD_GET_A 'f'         /* answer: the stored first half */
#define DW_CMD_GET_B 'e'         /* answer: the stored second half */
#define DW_CMD_STATUS 's'        /* answer: the status line */
/* Only a board whose greeting ends in DW_GREETING_PRECISE knows these. */
#define DW_CMD_SET_PRECISE 'p'   /* "p" + seconds after midnight "." 3 digits of
                                    ms: the time of day at the line feed; may go
                                    on " yyyy-mm-dd +M": the date and the UTC
                                    offset in minutes (sign always) */
#define DW_CMD_GET_PRECISE 'q'   /* answer: seconds after midnight "." 3 digits,
                                    " " the coming offset changes held,
                                    " " the trim in ppm (sign always) */
#define DW_CMD_OFFSET_CHANGE 'o' /* "o" + "yyyy-mm-dd hh:mm +M": at that local
                                    time the UTC offset becomes M minutes; up
                                    to DW_OFFSET_CHANGES, in order, after a
                                    dated "p", which forgets earlier ones */
/* Only a board whose greeting holds DW_GREETING_WEEK knows these. A weekday
 * is a digit, 1 Monday to 7 Sunday (ISO); a half is the letter of the line
 * that stores it for every day. */
#define DW_CMD_STORE_DAY 'w'     /* "w" + weekday + "a"/"b" + that half's 48
                                    digits 0/1: one weekday's half ("a"/"b"
                                    alone store it for all seven) */
#define DW_CMD_GET_DAY 'r'       /* "r" + weekday + "a"/"b"; answer: the store
                                    line that holds it, "w1a" + 48 digits */
/* Only a board whose greeting holds DW_GREETING_SUN knows these. Each line
 * sent alone (its letter, or its letter and weekday) asks instead: the
 * answer is the line that sets what the board holds. Degrees are in
 * hundredths with two decimals always and a sign always; minutes with a
 * sign always. */
#define DW_CMD_PLACE 'g'         /* "g+52.50 +13.37": latitude (-90..90) and
                                    longitude (-180..180), north and east
                                    positive; "g none": the board holds none */
#define DW_CMD_DARK 'd'          /* "d" + weekday + "s"/"c" + " +D +W": that
                                    weekday's program is on only while the sun
                                    is below the horizon ("s", sunset and
                                    sunrise) or 6 degrees below it ("c", civil
                                    twilight), the dusk edge moved by D and the
                                    dawn edge by W minutes (-120..120, positive
                                    later); "d" + weekday + "n": no such limit */
#define DW_CMD_AWAY 'v'          /* "v" + N: away, every edge moved each day by
                                    up to N minutes (1..60); may go on
                                    " yyyy-mm-dd yyyy-mm-dd": the first and last
                                    day it holds; "v0": not away */
#define DW_CMD_LIGHT 'm'         /* "m1"/"m0": the light on/off until the
                                    automatic light next changes; "m1 h": held
                                    until "ma"; "m1 +S": for S seconds
                                    (60..604800); "ma": automatic again; "m"
                                    asks. Every "m" line is answered with what
                                    is in force: DW_LIGHT_AUTO, or
                                    DW_LIGHT_ON/DW_LIGHT_OFF then
                                    DW_LIGHT_HELD, or DW_LIGHT_UNTIL + "23:00"
                                    (today) or + "Thu 07:48" (a later day) */
#define DW_PLACE_NONE " none"
#define DW_DARK_SUNSET 's'
#define DW_DARK_CIVIL 'c'
#define DW_DARK_NONE 'n'
#define DW_LIGHT_AUTO_ARG 'a'
#define DW_LIGHT_HELD_ARG " h"
#define DW_LIGHT_FOR_MAX 604800UL
#define DW_LIGHT_AUTO "light auto"
#define DW_LIGHT_ON "light on"
#define DW_LIGHT_OFF "light off"
#define DW_LIGHT_HELD " held"
#define DW_LIGHT_UNTIL " until "
/* Six: a set just before a change still leaves the board right for three
 * years at two changes a year. */
#define DW_OFFSET_CHANGES 6U

/* Quarter hours in each half of the day's 96. */
#define DW_HALF_SLOTS 48U

/* Longest line the board keeps (without LF); the longest valid one, a
 * DW_CMD_STORE_DAY line, is 51 chars plus an optional CR. Longer lines are discarded up to their LF and
 * refused. */
#define DW_LINE_MAX 64U

/* The board's words the host recognises. */
#define DW_GREETING "Daywheel board ready"
/* The greeting after a cold start with no running clock module. */
#define DW_GREETING_NOT_SET "Daywheel board ready, time not set"
#define DW_NOT_SET_WORDS "time not set"
/* Ends the greeting of a board that knows DW_CMD_SET_PRECISE and
 * DW_CMD_GET_PRECISE. */
#define DW_GREETING_PRECISE ", clock to the ms"
/* Inserted before DW_GREETING_PRECISE by a board that keeps a program per
 * weekday: "Daywheel board ready, week, clock to the ms". */
#define DW_GREETING_WEEK ", week"
/* Inserted after DW_GREETING_WEEK by a board that knows DW_CMD_PLACE,
 * DW_CMD_DARK, DW_CMD_AWAY and DW_CMD_LIGHT and has a button by the door:
 * "Daywheel board ready, week, sun, clock to the ms". */
#define DW_GREETING_SUN ", sun"
/* Status after the time when the clock module gives it, or when the time is
 * not known. */
#define DW_STATUS_MODULE " from module"
#define DW_STATUS_NOT_SET " (not set)"
/* Status: which halves the store holds: stored once every half of every
 * weekday was stored (an "a" or "b" line stores one for all seven),
 * partial while only some were, none before the first store. */
#define DW_STATUS_PATTERN_STORED " pattern stored"
#define DW_STATUS_PATTERN_PARTIAL " pattern partial"
#define DW_STATUS_PATTERN_NONE " pattern none"
/* Status, on a board that greets with DW_GREETING_WEEK: the weekday whose
 * program runs, three letters from DW_WEEKDAY_NAMES (Monday first). While
 * the board knows the date it follows the date (" date 2026-12-08 Tue");
 * else it stands between DW_STATUS_DAY and DW_STATUS_ASSUMED (" day Mon
 * assumed"): the board runs the weekday it ran last, moved on at every
 * midnight since, or Monday if it never knew one. */
#define DW_WEEKDAY_NAMES "MonTueWedThuFriSatSun"
#define DW_STATUS_DAY " day "
#define DW_STATUS_ASSUMED " assumed"
/* Status, on a board that greets with DW_GREETING_SUN, after the weekday:
 * the light not automatic (" manual on until 23:00", " manual off held",
 * " manual on until Thu 07:48"), away in force today (" away 30"), and
 * today's program limited to the dark while the board cannot tell when it
 * is dark: it then follows the plain program. */
#define DW_STATUS_MANUAL " manual "
#define DW_STATUS_AWAY " away "
#define DW_STATUS_NO_PLACE " dark ignored: no place"
#define DW_STATUS_NO_DATE " dark ignored: no date"
/* A refused line's answer begins so. */
#define DW_ERROR_PREFIX "error: "
/* Why the board refused a line: the rest of that answer, and what the status
 * line names after "; refused X: ". X is the line's command letter; for a
 * DW_CMD_STORE_DAY line with a valid weekday and half, the letter and those
 * two ("; refused w3a: bad digit"). A weekday other than 1-7 and a half
 * other than "a"/"b" are refused as DW_REFUSED_DIGIT. */
#define DW_REFUSED_EMPTY "empty line"
#define DW_REFUSED_UNKNOWN "unknown command"
#define DW_REFUSED_LENGTH "bad length"
#define DW_REFUSED_TIME "bad time"
#define DW_REFUSED_DATE "bad date"
#define DW_REFUSED_DIGIT "bad digit"
#define DW_REFUSED_NO_DATE "no date"      /* an offset change before a dated set */
#define DW_REFUSED_TOO_MANY "too many"    /* a change beyond DW_OFFSET_CHANGES */
#define DW_REFUSED_TOO_LONG "line too long"
#define DW_REFUSED_LOST "input lost"      /* a byte was lost on reception */

#endif
