/* ATmega328P side: USART0, Timer0 tick, EEPROM, light pins, main loop. */
#include <avr/eeprom.h>
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <avr/wdt.h>
#include <util/atomic.h>

#define BAUD 9600
#include <util/setbaud.h>

#include "dw_board.h"
#include "dw_clock.h"
#include "dw_hal.h"

/* Light outputs: on-board LED PB5 (Arduino D13), relay PD7 (D7), active high. */
#define LED_DDR DDRB
#define LED_PORT PORTB
#define LED_BIT PB5
#define RELAY_DDR DDRD
#define RELAY_PORT PORTD
#define RELAY_BIT PD7

/* Time of day. Global, non-static names: the virtual board finds them in the
 * ELF symbol table to set the clock from a test. */
volatile uint32_t dw_clock_seconds;
volatile uint16_t dw_clock_ms;

#define RX_SIZE 128U   /* power of two; holds two full pattern lines */
static volatile uint8_t rx_buf[RX_SIZE];
static volatile uint8_t rx_head, rx_tail;
/* A byte dropped because the buffer was full: refuse the line it was in. */
static volatile uint8_t rx_lost, rx_lost_pos;

/* A watchdog reset leaves the watchdog running; stop it before anything
 * slow happens in startup code. */
void early_wdt_off(void) __attribute__((naked, used, section(".init3")));
void early_wdt_off(void)
{
    MCUSR = 0;
    wdt_disable();
}

ISR(TIMER0_COMPA_vect)
{
    dw_clock_tick_ms(&dw_clock_seconds, &dw_clock_ms);
}

ISR(USART_RX_vect)
{
    uint8_t status = UCSR0A;
    uint8_t c = UDR0;
    uint8_t next = (uint8_t)((rx_head + 1U) & (RX_SIZE - 1U));
    if (status & _BV(DOR0)) {
        /* the chip itself dropped a byte before this one */
        if (!rx_lost) {
            rx_lost_pos = rx_head;
            rx_lost = 1;
        }
    }
    if (next == rx_tail) {
        if (!rx_lost) {
            rx_lost_pos = rx_head;
            rx_lost = 1;
        }
        return;
    }
    /* a garbled byte becomes one no command accepts, so its line is refused */
    rx_buf[rx_head] = (status & _BV(FE0)) ? 0xFF : c;
    rx_head = next;
}

uint8_t dw_hal_ee_read(uint16_t addr)
{
    return eeprom_read_byte((const uint8_t *)(uintptr_t)addr);
}

void dw_hal_ee_write(uint16_t addr, uint8_t value)
{
    eeprom_write_byte((uint8_t *)(uintptr_t)addr, value);
    eeprom_busy_wait();
}

void dw_hal_putc(char c)
{
    loop_until_bit_is_set(UCSR0A, UDRE0);
    UDR0 = (uint8_t)c;
}

uint32_t dw_hal_clock_get(void)
{
    uint32_t s;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { s = dw_clock_seconds; }
    return s;
}

void dw_hal_clock_set(uint32_t seconds)
{
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        dw_clock_seconds = seconds % DW_DAY_SECONDS;
        dw_clock_ms = 0;
    }
}

void dw_hal_light(uint8_t on)
{
    if (on) {
        LED_PORT |= _BV(LED_BIT);
        RELAY_PORT |= _BV(RELAY_BIT);
    } else {
        LED_PORT &= (uint8_t)~_BV(LED_BIT);
        RELAY_PORT &= (uint8_t)~_BV(RELAY_BIT);
    }
}

static void usart_init(void)
{
    UBRR0H = UBRRH_VALUE;
    UBRR0L = UBRRL_VALUE;
#if USE_2X
    UCSR0A = _BV(U2X0);
#else
    UCSR0A = 0;
#endif
    UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);            /* 8N1 */
    UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);
}

static void timer_init(void)
{
    /* 16 MHz / 64 / 250 = 1 kHz, exact with the crystal */
    TCCR0A = _BV(WGM01);
    OCR0A = 249;
    TCCR0B = _BV(CS01) | _BV(CS00);
    TIMSK0 = _BV(OCIE0A);
}

int main(void)
{
    LED_DDR |= _BV(LED_BIT);
    RELAY_DDR |= _BV(RELAY_BIT);
    usart_init();
    timer_init();
    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();

    dw_board_init();
    wdt_enable(WDTO_2S);

    for (;;) {
        wdt_reset();
        for (;;) {
            if (rx_lost && rx_tail == rx_lost_pos) {
                rx_lost = 0;
                dw_board_rx_error();
            }
            if (rx_tail == rx_head)
                break;
            uint8_t c = rx_buf[rx_tail];
            rx_tail = (uint8_t)((rx_tail + 1U) & (RX_SIZE - 1U));
            dw_board_rx(c);
        }
        dw_board_poll();

        /* sleep until the next tick or byte, unless one arrived meanwhile */
        cli();
        if (rx_tail == rx_head) {
            sleep_enable();
            sei();
            sleep_cpu();
            sleep_disable();
        }
        sei();
    }
}
