// SPDX-License-Identifier: GPL-3.0-or-later
/* Sunrise and sunset by Meeus (Astronomical Algorithms): the sun's
 * low-accuracy position (ch. 25, its right ascension by the series of
 * ch. 28), the mean sidereal time (ch. 12) and the hour angle at the
 * horizon (ch. 15), in two passes. Everything in float,
 * as avr-gcc has nothing wider: a date's day count (up to 36524) in a float
 * would keep only a few minutes, so the whole days since J2000 stay an
 * integer and only the fraction of the day is a float. Angles growing with
 * the days are reduced modulo 360 with the integer before the float sees
 * them. */
#include "plan/dw_sun.h"

#include <math.h>

#define DW_PI_F 3.14159265f
#define RAD (DW_PI_F / 180.0f)
#define DEG (180.0f / DW_PI_F)
/* The sun's hour angle grows by about 360 degrees a day (the sidereal
 * rate less the sun's own motion in right ascension); the passes correct
 * for the rest. */
#define HOUR_ANGLE_PER_DAY 360.0f
/* The obliquity of the ecliptic in 2050: within 0.007 degrees all century,
 * a few seconds of sunrise at 65 degrees. Its sine, and tan^2 of its half,
 * which turns the sun's longitude into right ascension (Meeus ch. 28). */
#define SIN_OBLIQUITY 0.39766f
#define TAN2_HALF_OBLIQUITY 0.043025f

struct sun_at {
    float sin_dec;      /* sine of the declination */
    float hour_angle;   /* at the place, degrees, -180..180 */
};

static float wrap180(float a)
{
    return a - 360.0f * floorf((a + 180.0f) / 360.0f);
}

/* An angle moving rate degrees a day (rate near 1), at_day0 at day 0, at
 * day d + f: rate * d is d + (rate - 1) * d, whose first term is whole
 * degrees taken modulo 360 beforehand (whole_mod360) and whose second stays
 * small enough for a float's few digits. */
static float angle_at(float at_day0, float rate, int16_t whole_mod360, uint16_t d, float f)
{
    return at_day0 + (float)whole_mod360 + (rate - 1.0f) * (float)d + rate * f;
}

/* The sun seen from lon degrees east at day + f (f in days of UT from the
 * day's 0h; Terrestrial Time's minute ahead of UT moves the sun by less
 * than 0.001 degree, and is left out). */
static struct sun_at sun_at(uint16_t day, float f, float lon)
{
    /* Days since J2000.0 (2000-01-01 12h): day - 0.5 + f. The constants at
     * day 0, 0h are the J2000 ones moved back half a day. */
    const int16_t whole = (int16_t)(day % 360U);
    const float mean_lon = angle_at(280.46646f - 0.5f * 0.98564736f, 0.98564736f, whole, day, f);
    const float anomaly = angle_at(357.52911f - 0.5f * 0.98560028f, 0.98560028f, whole, day, f) * RAD;
    /* The equation of the centre (its slow change over the century taken
     * at 2050), aberration. */
    const float lambda = (mean_lon + 1.91219f * sinf(anomaly) + 0.019993f * sinf(2.0f * anomaly) - 0.00569f) * RAD;
    const float y = TAN2_HALF_OBLIQUITY;
    const float ra = lambda * DEG - y * DEG * sinf(2.0f * lambda) + 0.5f * y * y * DEG * sinf(4.0f * lambda);
    /* Greenwich mean sidereal time: 360.98564736629 degrees a day. */
    const float sidereal = 99.96779469f + (float)whole - 0.01435263371f * (float)day + 360.98564736629f * f;
    struct sun_at at;
    at.sin_dec = SIN_OBLIQUITY * sinf(lambda);
    at.hour_angle = wrap180(sidereal + lon - ra);
    return at;
}

/* The hour angle (degrees, 0..180) at which the sun stands at the altitude
 * whose sine is sin_h; 0 when it stays below, 180 when it stays above.
 * kind tells which. */
static float hour_angle_at(float sin_h, float sin_lat, float cos_lat, float sin_dec, uint8_t *kind)
{
    const float num = sin_h - sin_lat * sin_dec;
    const float den = cos_lat * sqrtf(1.0f - sin_dec * sin_dec);
    if (num >= den) {
        *kind = DW_SUN_NEVER_RISES;
        return 0.0f;
    }
    if (num <= -den) {
        *kind = DW_SUN_NEVER_SETS;
        return 180.0f;
    }
    *kind = DW_SUN_RISES_AND_SETS;
    return acosf(num / den) * DEG;
}

/* What a pass needs of the place and the date. */
struct sky {
    uint16_t day;
    float lon, sin_lat, cos_lat;
    float sin_h;   /* sine of the altitude that counts as the horizon */
};

/* One pass: the sun at f, and the time near f at which its hour angle is
 * side times the one it needs at the horizon (side 0: the transit). That
 * hour angle goes to *h, what the day holds to *kind. */
static float pass(const struct sky *sky, float f, int8_t side, float *h, uint8_t *kind)
{
    const struct sun_at at = sun_at(sky->day, f, sky->lon);
    *h = hour_angle_at(sky->sin_h, sky->sin_lat, sky->cos_lat, at.sin_dec, kind);
    return f + wrap180((float)side * *h - at.hour_angle) * (1.0f / HOUR_ANGLE_PER_DAY);
}

uint8_t dw_sun_times(uint16_t day, struct dw_place place, int16_t utc_offset, uint8_t twilight,
                     int32_t *rise, int32_t *set)
{
    int16_t lat_h = place.lat;
    int16_t lon_h = place.lon;
    if (lat_h > 9000) {
        lat_h = 9000;
    } else if (lat_h < -9000) {
        lat_h = -9000;
    }
    if (lon_h > 18000) {
        lon_h = 18000;
    } else if (lon_h < -18000) {
        lon_h = -18000;
    }
    struct sky sky;
    const float lat = (float)lat_h * (0.01f * RAD);
    sky.day = day;
    sky.lon = (float)lon_h * 0.01f;
    sky.sin_lat = sinf(lat);
    sky.cos_lat = fabsf(cosf(lat));   /* at the poles cosf gives a hair below zero */
    sky.sin_h = twilight == DW_TWILIGHT_CIVIL ? -0.104528463f /* sin -6 */ : -0.014538080f /* sin -0.833 */;

    /* The first pass, from the place's noon in UT: the transit, and the
     * hour angle at the horizon; where the sun is then decides what the
     * day holds. */
    float h0;
    uint8_t kind;
    const float transit = pass(&sky, 0.5f - sky.lon * (1.0f / 360.0f), 0, &h0, &kind);
    if (kind != DW_SUN_RISES_AND_SETS) {
        return kind;
    }
    /* The second, for each event: the sun again at the time the first
     * gave. Beside polar day or night the event may not happen at that
     * time; the limit (an hour angle of 0 or 180) stands in. */
    int32_t *event = rise;
    for (int8_t side = -1; side <= 1; side += 2) {
        float h;
        const float f = pass(&sky, transit + (float)side * h0 * (1.0f / HOUR_ANGLE_PER_DAY), side, &h, &kind);
        *event = (int32_t)floorf(f * 86400.0f + 0.5f) + (int32_t)utc_offset * 60;
        event = set;
    }
    return DW_SUN_RISES_AND_SETS;
}
