-- SPDX-License-Identifier: MIT
-- A station claims random radio IDs a few at a time, ahead of the units that will carry them,
-- in one statement: the station's stock is ready before Go, and a distant line costs one
-- round trip per batch instead of one per ID.

-- Claims each of the on-air IDs that no unit has on air yet for the calling station; gives
-- those it claimed, in the order asked. An ID named twice is claimed once.
CREATE FUNCTION rfbind.claim_radio_ids(p_pool text, p_on_air_ids integer[]) RETURNS integer[]
LANGUAGE plpgsql SECURITY DEFINER SET search_path = rfbind, pg_temp AS $$
DECLARE
    me text := calling_station();
    v_id integer;
    v_claimed integer[] := '{}';
BEGIN
    FOREACH v_id IN ARRAY coalesce(p_on_air_ids, '{}') LOOP
        INSERT INTO radio_id_claims (on_air_id, pool, station)
        VALUES (v_id, p_pool, me) ON CONFLICT (on_air_id) DO NOTHING;
        IF FOUND THEN
            v_claimed := v_claimed || v_id;
        END IF;
    END LOOP;
    RETURN v_claimed;
END $$;
