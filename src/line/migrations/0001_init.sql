-- SPDX-License-Identifier: MIT
-- The line's ledger: product pools, the counters numbers are leased from, the leases held by
-- stations, the random radio IDs claimed on air, and every attempt of every station.
-- Applied once, in one transaction, by `rfbind-line setup` (see LineMigrations).

CREATE TABLE rfbind.pools (
    pool        text PRIMARY KEY CHECK (pool <> ''),
    created_at  timestamptz NOT NULL DEFAULT now()
);

-- One counter per pool and kind of number: the generator's counter value that no lease has
-- covered yet. Leasing moves it forward; nothing ever moves it back.
CREATE TABLE rfbind.counters (
    pool        text NOT NULL REFERENCES rfbind.pools,
    kind        text NOT NULL
                CHECK (kind IN ('rx_serial', 'tx_serial', 'rx_radio_id', 'tx_radio_id')),
    next_value  bigint NOT NULL,
    -- The first counter value beyond the pool (the generator repeats from there), or NULL.
    end_value   bigint,
    PRIMARY KEY (pool, kind),
    CHECK (end_value IS NULL OR next_value <= end_value)
);

-- A block of counter values [first_value, last_value] held by one station.
CREATE TABLE rfbind.leases (
    lease_id     bigserial PRIMARY KEY,
    pool         text NOT NULL,
    kind         text NOT NULL,
    station      text NOT NULL CHECK (station <> ''),
    first_value  bigint NOT NULL,
    last_value   bigint NOT NULL,
    -- The highest value the station said it may have written into a unit; NULL: none yet.
    last_used    bigint,
    leased_at    timestamptz NOT NULL DEFAULT now(),
    updated_at   timestamptz NOT NULL DEFAULT now(),
    -- Set by a supervisor's reclaim: the values after last_used are retired, never leased again.
    reclaimed_at timestamptz,
    FOREIGN KEY (pool, kind) REFERENCES rfbind.counters,
    CHECK (first_value <= last_value),
    CHECK (last_used IS NULL OR last_used BETWEEN first_value AND last_value)
);
CREATE INDEX leases_holder ON rfbind.leases (pool, kind, station) WHERE reclaimed_at IS NULL;

-- Random radio IDs taken on air. The key is the on-air ID (the 24-bit ID without bit 23), and
-- it is unique across every pool: two units of different products still hear each other.
CREATE TABLE rfbind.radio_id_claims (
    on_air_id   integer PRIMARY KEY CHECK (on_air_id BETWEEN 0 AND 8388607),
    pool        text NOT NULL,
    station     text NOT NULL,
    claimed_at  timestamptz NOT NULL DEFAULT now()
);

-- Every line of every station's attempts journal, once (the attempt ID is the key).
CREATE TABLE rfbind.attempt_log (
    attempt_id     text PRIMARY KEY CHECK (attempt_id ~ '^[0-9a-f]{32}$'),
    started_at     timestamptz NOT NULL,
    -- The station's UTC offset at the start, so its local hour can be shown as it saw it.
    utc_offset_min smallint NOT NULL,
    duration_ms    integer NOT NULL CHECK (duration_ms >= 0),
    result         text NOT NULL CHECK (result IN ('PASS', 'FAIL')),
    fail_step      text,
    reason_code    text,
    reason_text    text,
    rx_radio_id    text,
    tx_radio_id    text,
    rx_serial      text,
    tx_serial      text,
    rx_usb         text,
    rx_version     text,
    station        text NOT NULL,
    recipe         text,
    product        text,
    received_at    timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX attempt_log_started ON rfbind.attempt_log (started_at);
CREATE INDEX attempt_log_station ON rfbind.attempt_log (station, started_at);
CREATE INDEX attempt_log_rx_serial ON rfbind.attempt_log (rx_serial) WHERE rx_serial IS NOT NULL;
CREATE INDEX attempt_log_tx_serial ON rfbind.attempt_log (tx_serial) WHERE tx_serial IS NOT NULL;

-- What a supervisor queries: one row per attempt, with the station's own wall-clock time.
CREATE VIEW rfbind.attempts AS
SELECT station,
       started_at,
       (started_at AT TIME ZONE 'UTC') + make_interval(mins => utc_offset_min) AS started_local,
       duration_ms,
       result,
       fail_step,
       reason_code,
       reason_text,
       rx_radio_id,
       tx_radio_id,
       rx_serial,
       tx_serial,
       rx_usb,
       rx_version,
       recipe,
       product,
       attempt_id,
       utc_offset_min,
       received_at
  FROM rfbind.attempt_log;
