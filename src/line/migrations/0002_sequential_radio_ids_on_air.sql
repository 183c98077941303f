-- SPDX-License-Identifier: MIT
-- Sequential radio IDs take their place on air too. A block of radio IDs leased to a station
-- claims every on-air ID it holds, in the same table as the random draws, so that a random
-- draw never lands in a block, the receiver and transmitter counters of a pool never overlap,
-- and two pools never number into each other. A station may then use its block offline with
-- no claim per unit.
ALTER TABLE rfbind.radio_id_claims
    ADD COLUMN lease_id bigint REFERENCES rfbind.leases;
CREATE INDEX radio_id_claims_lease ON rfbind.radio_id_claims (lease_id) WHERE lease_id IS NOT NULL;

-- Blocks leased before this step claim their IDs now. Where an ID of such a block is held
-- already (a random draw, another counter) the first holder keeps it: the repeat, if one was
-- written, happened before this step and cannot be undone here.
INSERT INTO rfbind.radio_id_claims (on_air_id, pool, station, lease_id)
SELECT v, l.pool, l.station, l.lease_id
  FROM rfbind.leases l
 CROSS JOIN LATERAL generate_series(GREATEST(l.first_value, 0), LEAST(l.last_value, 8388607)) v
 WHERE l.kind IN ('rx_radio_id', 'tx_radio_id')
ON CONFLICT (on_air_id) DO NOTHING;
