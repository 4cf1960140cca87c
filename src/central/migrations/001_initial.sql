-- Sites, their cards and the history of every card.

CREATE TABLE sites (
    code text PRIMARY KEY,
    first_seen timestamptz NOT NULL DEFAULT now(),
    last_seen timestamptz NOT NULL DEFAULT now()
);

-- One row per card of a site: the main parameters typed, the additional
-- parameters as JSON. day is the day file the card lives in; change_no
-- grows with every change a site makes, so an older change never
-- overwrites a newer one.
CREATE TABLE cards (
    site text NOT NULL REFERENCES sites (code),
    card_id integer NOT NULL,
    change_no bigint NOT NULL,
    day date NOT NULL,
    number integer NOT NULL,
    cargo text NOT NULL DEFAULT '',
    document_number text NOT NULL DEFAULT '',
    sender text NOT NULL DEFAULT '',
    receiver text NOT NULL DEFAULT '',
    vehicle_number text NOT NULL DEFAULT '',
    driver text NOT NULL DEFAULT '',
    escort text NOT NULL DEFAULT '',
    date1 date,
    time1 time(0),
    date2 date,
    time2 time(0),
    litter_percent double precision NOT NULL DEFAULT 0,
    operation_type text NOT NULL DEFAULT '',
    status text NOT NULL DEFAULT '',
    deleted boolean NOT NULL DEFAULT false,
    gross double precision NOT NULL DEFAULT 0,
    net double precision NOT NULL DEFAULT 0,
    tare double precision NOT NULL DEFAULT 0,
    weight1 double precision NOT NULL DEFAULT 0,
    weight2 double precision NOT NULL DEFAULT 0,
    litter_weight double precision NOT NULL DEFAULT 0,
    clean_weight double precision NOT NULL DEFAULT 0,
    sum_weight double precision NOT NULL DEFAULT 0,
    sum_count integer NOT NULL DEFAULT 0,
    extras jsonb NOT NULL DEFAULT '[]',
    received_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (site, card_id)
);
CREATE INDEX cards_period ON cards (day, site);
CREATE INDEX cards_vehicle ON cards (vehicle_number, day);
CREATE INDEX cards_cargo ON cards (cargo, day);

-- Every change as it arrived: who made it, when, and the columns it
-- changed as {"column": [before, after]}.
CREATE TABLE card_changes (
    site text NOT NULL,
    card_id integer NOT NULL,
    change_no bigint NOT NULL,
    arrival bigint GENERATED ALWAYS AS IDENTITY,
    change text NOT NULL,
    operator text NOT NULL DEFAULT '',
    changed_at timestamptz,
    changes jsonb NOT NULL DEFAULT '{}',
    PRIMARY KEY (site, card_id, change_no)
);
CREATE INDEX card_changes_arrival ON card_changes (arrival);

-- A batch of changes as a JSON array of card objects (the column names of
-- cards plus change, operator and changed_at). A change sent twice is
-- recorded once.
CREATE FUNCTION tarvo_put_cards(batch jsonb) RETURNS integer
LANGUAGE plpgsql AS $$
DECLARE
    p jsonb;
    fresh cards;
    old jsonb;
    current_no bigint;
    diff jsonb;
    n integer := 0;
BEGIN
    INSERT INTO sites (code)
        SELECT DISTINCT value ->> 'site' FROM jsonb_array_elements(batch)
        ON CONFLICT (code) DO UPDATE SET last_seen = now();
    FOR p IN SELECT value FROM jsonb_array_elements(batch) LOOP
        fresh := jsonb_populate_record(NULL::cards, p);
        fresh.received_at := now();
        old := NULL;
        current_no := NULL;
        SELECT to_jsonb(c), c.change_no INTO old, current_no
            FROM cards c WHERE c.site = fresh.site AND c.card_id = fresh.card_id FOR UPDATE;
        IF current_no IS NULL THEN
            INSERT INTO cards SELECT (fresh).*;
        ELSIF current_no < fresh.change_no THEN
            DELETE FROM cards WHERE site = fresh.site AND card_id = fresh.card_id;
            INSERT INTO cards SELECT (fresh).*;
        END IF;
        diff := '{}';
        IF old IS NOT NULL THEN
            SELECT coalesce(jsonb_object_agg(k.key, jsonb_build_array(old -> k.key, k.value)), '{}') INTO diff
                FROM jsonb_each(to_jsonb(fresh)) k
                WHERE k.key NOT IN ('site', 'card_id', 'change_no', 'received_at')
                  AND old -> k.key IS DISTINCT FROM k.value;
        END IF;
        INSERT INTO card_changes (site, card_id, change_no, change, operator, changed_at, changes)
            VALUES (fresh.site, fresh.card_id, fresh.change_no, coalesce(p ->> 'change', ''),
                    coalesce(p ->> 'operator', ''), (p ->> 'changed_at')::timestamptz, diff)
            ON CONFLICT DO NOTHING;
        n := n + 1;
    END LOOP;
    RETURN n;
END
$$;
