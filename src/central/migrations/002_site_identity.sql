-- Each installation claims its site code with a random key of its own: a
-- second scale with the same code is refused instead of overwriting the
-- first one's cards, and a code change renames the site (its cards and
-- their history follow). A card the server refuses no longer stops the
-- batch: it is returned with the reason and the others are kept.

ALTER TABLE sites ADD COLUMN install_key text UNIQUE;
ALTER TABLE cards DROP CONSTRAINT cards_site_fkey;
ALTER TABLE cards ADD CONSTRAINT cards_site_fkey FOREIGN KEY (site) REFERENCES sites (code) ON UPDATE CASCADE;
ALTER TABLE card_changes ADD CONSTRAINT card_changes_site_fkey FOREIGN KEY (site) REFERENCES sites (code)
    ON UPDATE CASCADE;

-- 'ok' (the code is this installation's), 'renamed' (its former code was
-- renamed to the wanted one) or 'taken' (another installation holds it).
-- A site of an older program, without a key, goes to the first that asks.
CREATE FUNCTION tarvo_claim_site(wanted text, key text) RETURNS text
LANGUAGE plpgsql AS $$
DECLARE
    mine text;
    owner text;
BEGIN
    PERFORM pg_advisory_xact_lock(7312031);
    SELECT code INTO mine FROM sites WHERE install_key = key;
    IF mine = wanted THEN
        UPDATE sites SET last_seen = now() WHERE code = wanted;
        RETURN 'ok';
    END IF;
    SELECT install_key INTO owner FROM sites WHERE code = wanted;
    IF FOUND THEN
        IF owner IS NULL AND mine IS NULL THEN
            UPDATE sites SET install_key = key, last_seen = now() WHERE code = wanted;
            RETURN 'ok';
        END IF;
        RETURN 'taken';
    END IF;
    IF mine IS NOT NULL THEN
        UPDATE sites SET code = wanted, last_seen = now() WHERE code = mine;
        RETURN 'renamed';
    END IF;
    INSERT INTO sites (code, install_key) VALUES (wanted, key);
    RETURN 'ok';
END
$$;

-- Per site and day: how many cards and the last change among them, counted
-- again by tarvo_put_cards for the days of each batch, so a report asks in
-- one lookup which days changed since it last read them.
CREATE TABLE card_days (
    site text NOT NULL REFERENCES sites (code) ON UPDATE CASCADE,
    day date NOT NULL,
    cards integer NOT NULL DEFAULT 0,
    last_change bigint NOT NULL DEFAULT 0,
    PRIMARY KEY (site, day)
);
INSERT INTO card_days (site, day, cards, last_change)
    SELECT site, day, count(*), max(change_no) FROM cards GROUP BY site, day;

DROP FUNCTION tarvo_put_cards(jsonb);

-- A program of the first version still calls the old form: it is told why
-- its cards are not taken instead of writing without a site's key.
CREATE FUNCTION tarvo_put_cards(batch jsonb) RETURNS integer
LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION 'База данных новее программы: обновите программу' USING ERRCODE = 'TV002';
END
$$;

-- A batch of changes of one site as a JSON array of card objects (the
-- column names of cards plus change, operator and changed_at). A change
-- sent twice is recorded once; a field the sender does not know takes its
-- column's default; a card that cannot be stored is returned with the
-- reason, the rest of the batch is kept.
CREATE FUNCTION tarvo_put_cards(site_code text, key text, batch jsonb)
RETURNS TABLE (rejected_no bigint, rejected_reason text)
LANGUAGE plpgsql AS $$
#variable_conflict use_column
DECLARE
    p jsonb;
    defaults cards;
    fresh cards;
    old jsonb;
    current_no bigint;
    diff jsonb;
    list text;
BEGIN
    IF NOT EXISTS (SELECT 1 FROM sites s WHERE s.code = site_code AND s.install_key = key) THEN
        RAISE EXCEPTION 'site % is not claimed by this installation', site_code USING ERRCODE = 'TV001';
    END IF;
    UPDATE sites SET last_seen = now() WHERE code = site_code;
    SELECT string_agg(coalesce(pg_get_expr(d.adbin, d.adrelid), 'NULL') || '::'
                      || format_type(a.atttypid, a.atttypmod), ', ' ORDER BY a.attnum)
        INTO list
        FROM pg_attribute a LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum
        WHERE a.attrelid = 'cards'::regclass AND a.attnum > 0 AND NOT a.attisdropped;
    EXECUTE 'SELECT ' || list INTO defaults;
    FOR p IN SELECT value FROM jsonb_array_elements(batch) LOOP
        BEGIN
            fresh := jsonb_populate_record(defaults, p);
            fresh.site := site_code;
            fresh.received_at := now();
            old := NULL;
            current_no := NULL;
            SELECT to_jsonb(c), c.change_no INTO old, current_no
                FROM cards c WHERE c.site = fresh.site AND c.card_id = fresh.card_id FOR UPDATE;
            IF current_no IS NULL THEN
                INSERT INTO cards SELECT (fresh).*;
            ELSIF current_no < fresh.change_no THEN
                DELETE FROM cards c WHERE c.site = fresh.site AND c.card_id = fresh.card_id;
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
        EXCEPTION WHEN OTHERS THEN
            rejected_no := (p ->> 'change_no')::bigint;
            rejected_reason := SQLERRM;
            RETURN NEXT;
        END;
    END LOOP;
    -- The days of the batch counted again, once per batch.
    INSERT INTO card_days AS d (site, day, cards, last_change)
        SELECT c.site, c.day, count(*), max(c.change_no) FROM cards c
        WHERE c.site = site_code
          AND c.day IN (SELECT DISTINCT (e.value ->> 'day')::date FROM jsonb_array_elements(batch) e
                        WHERE jsonb_typeof(e.value -> 'day') = 'string')
        GROUP BY c.site, c.day
        ON CONFLICT (site, day) DO UPDATE SET cards = EXCLUDED.cards, last_change = EXCLUDED.last_change;
END
$$;

-- Per day of a site: its cards and a digest of what the report uses, to
-- compare with the day files. Weights in grams, rounded alike on both sides.
CREATE FUNCTION tarvo_day_digests(site_code text, first_day date, last_day date)
RETURNS TABLE (day date, cards integer, digest text)
LANGUAGE sql STABLE AS $$
    SELECT c.day, count(*)::integer,
           md5(string_agg(concat_ws(':', c.card_id, c.number, c.status, floor(c.gross * 1000 + 0.5)::bigint,
                                    floor(c.tare * 1000 + 0.5)::bigint, floor(c.net * 1000 + 0.5)::bigint),
                          ',' ORDER BY c.card_id))
    FROM cards c WHERE c.site = site_code AND c.day BETWEEN first_day AND last_day
    GROUP BY c.day
$$;
