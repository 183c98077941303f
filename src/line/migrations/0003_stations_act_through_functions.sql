-- SPDX-License-Identifier: MIT
-- Stations no longer own the ledger. The schema belongs to the role that runs
-- `rfbind-line setup`; a station logs in as its own role, a member of rfbind_stations, and
-- changes the ledger only through the functions below. They run as the owner, take the
-- station's name from its login (session_user), and only ever move the ledger forward.
-- The roles and grants are (re)applied by `setup` after the migrations.

-- One radio-ID form in the ledger: the on-air ID, bit 23 cleared, as six upper-case hex
-- digits. A unit's EEPROM holds the ID with bit 23 set; random draws used to be stored so.
UPDATE rfbind.attempt_log
   SET rx_radio_id = upper(lpad(to_hex(('x' || lpad(rx_radio_id, 8, '0'))::bit(32)::integer
                                       & 8388607), 6, '0'))
 WHERE rx_radio_id ~ '^[0-9A-Fa-f]{6}$';
UPDATE rfbind.attempt_log
   SET tx_radio_id = upper(lpad(to_hex(('x' || lpad(tx_radio_id, 8, '0'))::bit(32)::integer
                                       & 8388607), 6, '0'))
 WHERE tx_radio_id ~ '^[0-9A-Fa-f]{6}$';

-- Two leases of one counter never share a value, whoever wrote them.
CREATE EXTENSION IF NOT EXISTS btree_gist;
ALTER TABLE rfbind.leases ADD CONSTRAINT leases_never_overlap
    EXCLUDE USING gist (pool WITH =, kind WITH =,
                        int8range(first_value, last_value, '[]') WITH &&);

-- A counter only moves forward: a value once leased is never leased again.
CREATE FUNCTION rfbind.counter_moves_forward() RETURNS trigger
LANGUAGE plpgsql SET search_path = rfbind, pg_temp AS $$
BEGIN
    IF NEW.next_value < OLD.next_value THEN
        RAISE EXCEPTION 'the % counter of pool % cannot move back from % to %',
            OLD.kind, OLD.pool, OLD.next_value, NEW.next_value;
    END IF;
    IF NEW.pool <> OLD.pool OR NEW.kind <> OLD.kind THEN
        RAISE EXCEPTION 'a counter keeps its pool and kind';
    END IF;
    RETURN NEW;
END $$;
CREATE TRIGGER counters_forward BEFORE UPDATE ON rfbind.counters
    FOR EACH ROW EXECUTE FUNCTION rfbind.counter_moves_forward();

-- A lease keeps its block and holder; what its station used only grows; a reclaim stays.
CREATE FUNCTION rfbind.lease_moves_forward() RETURNS trigger
LANGUAGE plpgsql SET search_path = rfbind, pg_temp AS $$
BEGIN
    IF (NEW.pool, NEW.kind, NEW.station, NEW.first_value, NEW.last_value)
       IS DISTINCT FROM (OLD.pool, OLD.kind, OLD.station, OLD.first_value, OLD.last_value) THEN
        RAISE EXCEPTION 'lease % keeps its block and its station', OLD.lease_id;
    END IF;
    IF NEW.last_used < OLD.last_used OR (OLD.last_used IS NOT NULL AND NEW.last_used IS NULL)
       OR (OLD.reclaimed_at IS NOT NULL AND NEW.reclaimed_at IS DISTINCT FROM OLD.reclaimed_at)
    THEN
        RAISE EXCEPTION 'lease % cannot move back', OLD.lease_id;
    END IF;
    RETURN NEW;
END $$;
CREATE TRIGGER leases_forward BEFORE UPDATE ON rfbind.leases
    FOR EACH ROW EXECUTE FUNCTION rfbind.lease_moves_forward();

-- Refuses a caller that is not a station of this line.
CREATE FUNCTION rfbind.calling_station() RETURNS text
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = rfbind, pg_temp AS $$
BEGIN
    IF NOT pg_has_role(session_user, 'rfbind_stations', 'MEMBER') THEN
        RAISE EXCEPTION 'role % is not a station of this line', session_user
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    RETURN session_user::text;
END $$;

-- Creates the pool's counter for a kind if it has none; a counter that exists is left as it
-- is. Returns the counter.
CREATE FUNCTION rfbind.open_pool(p_pool text, p_kind text, p_first bigint, p_end bigint)
RETURNS TABLE (next_value bigint, end_value bigint)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = rfbind, pg_temp AS $$
BEGIN
    PERFORM calling_station();
    INSERT INTO pools (pool) VALUES (p_pool) ON CONFLICT DO NOTHING;
    INSERT INTO counters AS c (pool, kind, next_value, end_value)
    VALUES (p_pool, p_kind, p_first, p_end) ON CONFLICT DO NOTHING;
    RETURN QUERY SELECT c.next_value, c.end_value FROM counters c
                  WHERE c.pool = p_pool AND c.kind = p_kind;
END $$;

-- Leases the next block of a counter to the calling station. A block of radio IDs claims
-- its IDs with it; one that holds an ID on air already is stepped over. Gives the lease, or
-- a refusal saying why there is none.
CREATE FUNCTION rfbind.lease_block(p_pool text, p_kind text, p_size integer,
                                   OUT o_lease rfbind.leases, OUT o_refusal text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = rfbind, pg_temp AS $$
DECLARE
    me text := calling_station();
    v_next bigint;
    v_end bigint;
    v_last bigint;
    v_radio boolean := p_kind IN ('rx_radio_id', 'tx_radio_id');
    v_claimed bigint;
BEGIN
    IF p_size NOT BETWEEN 1 AND 100000 THEN -- the largest BlockSize of Line.ini
        o_refusal := format('a block holds 1 to 100000 numbers, not %s', p_size);
        RETURN;
    END IF;
    -- The row lock serialises stations leasing from the same counter.
    SELECT c.next_value, c.end_value INTO v_next, v_end FROM counters c
     WHERE c.pool = p_pool AND c.kind = p_kind FOR UPDATE;
    IF NOT FOUND THEN
        o_refusal := format('pool "%s" has no %s counter yet: open the pool first', p_pool, p_kind);
        RETURN;
    END IF;
    IF v_radio THEN -- the values of a radio-ID counter are on-air IDs
        v_end := LEAST(COALESCE(v_end, 8388608), 8388608);
    END IF;
    FOR skipped IN 0 .. 200 LOOP
        IF v_end IS NOT NULL AND v_next >= v_end THEN
            o_refusal := format('pool "%s" has no %s numbers left: every value below %s has been'
                                ' leased%s', p_pool, p_kind, v_end,
                                CASE WHEN skipped > 0 THEN ' or is on air already' ELSE '' END);
            RETURN;
        END IF;
        IF skipped = 200 THEN
            o_refusal := format('pool "%s": the %s counter met 200 blocks in a row that hold'
                                ' radio IDs already on air; set its counter elsewhere',
                                p_pool, p_kind);
            RETURN;
        END IF;
        IF v_next > 9223372036854775806 - p_size THEN
            o_refusal := format('pool "%s": the %s counter has reached its largest value',
                                p_pool, p_kind);
            RETURN;
        END IF;
        v_last := v_next + p_size - 1;
        IF v_end IS NOT NULL THEN
            v_last := LEAST(v_last, v_end - 1);
        END IF;
        INSERT INTO leases (pool, kind, station, first_value, last_value)
        VALUES (p_pool, p_kind, me, v_next, v_last) RETURNING * INTO o_lease;
        IF v_radio THEN
            INSERT INTO radio_id_claims (on_air_id, pool, station, lease_id)
            SELECT v, p_pool, me, o_lease.lease_id FROM generate_series(v_next, v_last) v
            ON CONFLICT (on_air_id) DO NOTHING;
            GET DIAGNOSTICS v_claimed = ROW_COUNT;
            IF v_claimed <> v_last - v_next + 1 THEN
                DELETE FROM radio_id_claims WHERE lease_id = o_lease.lease_id;
                DELETE FROM leases WHERE lease_id = o_lease.lease_id;
                o_lease := NULL;
                v_next := v_last + 1;
                CONTINUE;
            END IF;
        END IF;
        UPDATE counters SET next_value = v_last + 1 WHERE pool = p_pool AND kind = p_kind;
        RETURN;
    END LOOP;
END $$;

-- Records that the calling station may have used values of its lease up to p_value. Gives
-- what is recorded now, or NULL when the lease is not the caller's, was reclaimed, or does
-- not hold the value.
CREATE FUNCTION rfbind.mark_used(p_lease bigint, p_value bigint) RETURNS bigint
LANGUAGE sql SECURITY DEFINER SET search_path = rfbind, pg_temp AS $$
    UPDATE leases SET last_used = GREATEST(COALESCE(last_used, p_value), p_value),
                      updated_at = now()
     WHERE lease_id = p_lease AND station = calling_station() AND reclaimed_at IS NULL
       AND p_value BETWEEN first_value AND last_value
    RETURNING last_used;
$$;

-- Claims an on-air radio ID for the calling station; false when some unit has it already.
CREATE FUNCTION rfbind.claim_radio_id(p_pool text, p_on_air_id integer) RETURNS boolean
LANGUAGE plpgsql SECURITY DEFINER SET search_path = rfbind, pg_temp AS $$
BEGIN
    INSERT INTO radio_id_claims (on_air_id, pool, station)
    VALUES (p_on_air_id, p_pool, calling_station()) ON CONFLICT (on_air_id) DO NOTHING;
    RETURN FOUND;
END $$;

-- Stores one attempt of the calling station, once (true when it was new). The attempt's
-- station is the caller, whatever the journal line says (p_station is not stored). Empty
-- optional fields are stored as NULL.
CREATE FUNCTION rfbind.record_attempt(
    p_started_at timestamptz, p_utc_offset_min smallint, p_duration_ms integer,
    p_attempt_id text, p_result text, p_fail_step text, p_reason_code text,
    p_reason_text text, p_rx_radio_id text, p_tx_radio_id text, p_rx_serial text,
    p_tx_serial text, p_rx_usb text, p_rx_version text, p_station text, p_recipe text,
    p_product text)
RETURNS boolean
LANGUAGE plpgsql SECURITY DEFINER SET search_path = rfbind, pg_temp AS $$
BEGIN
    INSERT INTO attempt_log (started_at, utc_offset_min, duration_ms, attempt_id, result,
                             fail_step, reason_code, reason_text, rx_radio_id, tx_radio_id,
                             rx_serial, tx_serial, rx_usb, rx_version, station, recipe, product)
    VALUES (p_started_at, p_utc_offset_min, p_duration_ms, p_attempt_id, p_result,
            NULLIF(p_fail_step, ''), NULLIF(p_reason_code, ''), NULLIF(p_reason_text, ''),
            NULLIF(p_rx_radio_id, ''), NULLIF(p_tx_radio_id, ''), NULLIF(p_rx_serial, ''),
            NULLIF(p_tx_serial, ''), NULLIF(p_rx_usb, ''), NULLIF(p_rx_version, ''),
            calling_station(), NULLIF(p_recipe, ''), NULLIF(p_product, ''))
    ON CONFLICT (attempt_id) DO NOTHING;
    RETURN FOUND;
END $$;

-- A supervisor's command: ends the pool's leases idle for p_idle_seconds that still have
-- values left; those values are retired. Gives the leases ended.
CREATE FUNCTION rfbind.reclaim_idle(p_pool text, p_idle_seconds bigint)
RETURNS SETOF rfbind.leases
LANGUAGE sql SECURITY DEFINER SET search_path = rfbind, pg_temp AS $$
    UPDATE leases SET reclaimed_at = now()
     WHERE pool = p_pool AND reclaimed_at IS NULL
       AND updated_at < now() - make_interval(secs => p_idle_seconds)
       AND (last_used IS NULL OR last_used < last_value)
    RETURNING *;
$$;

-- What readers see of the leases: every lease that still has values left.
CREATE VIEW rfbind.open_leases AS
SELECT lease_id, pool, kind, station, first_value, last_value, last_used,
       to_char(updated_at, 'YYYY-MM-DD HH24:MI:SS TZH:TZM') AS last_use,
       coalesce(to_char(reclaimed_at, 'YYYY-MM-DD HH24:MI:SS TZH:TZM'), '') AS reclaimed
  FROM rfbind.leases
 WHERE last_used IS NULL OR last_used < last_value;
