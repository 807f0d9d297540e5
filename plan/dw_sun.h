// SPDX-License-Identifier: GPL-3.0-or-later
/* When the sun rises and sets at a place on a date, by Meeus's algorithm
 * (Astronomical Algorithms, ch. 15) in two passes, in float: the board's
 * compiler has no wider double. Portable C, run by the board and by the
 * desktop program alike. */
#ifndef DW_SUN_H
#define DW_SUN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A place: hundredths of a degree, north and east positive. */
struct dw_place {
    int16_t lat;   /* -9000..9000 */
    int16_t lon;   /* -18000..18000 */
};

/* Which sun counts as down: its upper limb at the horizon with refraction
 * (-0.833 degrees), or its centre 6 degrees below (civil twilight). */
enum { DW_TWILIGHT_SUNSET = 0, DW_TWILIGHT_CIVIL = 1 };

/* What the day holds. */
enum { DW_SUN_RISES_AND_SETS = 0, DW_SUN_NEVER_RISES = 1, DW_SUN_NEVER_SETS = 2 };

/* The sun's rise and set on day (days since 2000-01-01) at place, in
 * seconds after that day's local midnight for a clock utc_offset minutes
 * east of UTC: the rise before and the set after the place's noon on that
 * day (either may fall outside 0..86399 where the place lies far from its
 * zone, or the sun sets after midnight near polar day). Returns what the
 * day holds, judged at noon; rise and set are set only for
 * DW_SUN_RISES_AND_SETS. About 4 ms for both on the board. */
uint8_t dw_sun_times(uint16_t day, struct dw_place place, int16_t utc_offset, uint8_t twilight,
                     int32_t *rise, int32_t *set);

#ifdef __cplusplus
}
#endif

#endif
