-- The weighing memory of every site: each record as the scale's memory
-- holds it, so the office verifies the very bytes the scale signed. The
-- columns beside it are read from those bytes here, never sent apart.

ALTER TABLE sites ADD COLUMN memory_key bytea;

CREATE TABLE memory_records (
    site text NOT NULL REFERENCES sites (code) ON UPDATE CASCADE,
    number bigint NOT NULL,
    kind text NOT NULL DEFAULT '',
    written timestamp,
    card_id integer,
    record bytea NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (site, number)
);
CREATE INDEX memory_records_card ON memory_records (site, card_id);

-- "name: value" of a record's body; NULL when it has no such line.
CREATE FUNCTION tarvo_memory_field(body text, name text) RETURNS text
LANGUAGE sql IMMUTABLE AS $$
    SELECT substring(body FROM '(?:^|\n)' || name || ': ([^\n]*)')
$$;

-- Records of one site as a JSON array of {"change_no", "memory_no",
-- "record" (base64)}. A record sent again is kept once; one that differs
-- from the record the server holds under its number is returned with the
-- reason, as is one that is no record. The first record names the scale's
-- public key, kept with the site.
CREATE FUNCTION tarvo_put_memory(site_code text, key text, batch jsonb)
RETURNS TABLE (rejected_no bigint, rejected_reason text)
LANGUAGE plpgsql AS $$
#variable_conflict use_column
DECLARE
    p jsonb;
    bytes bytea;
    len bigint;
    body text;
    no bigint;
    held bytea;
BEGIN
    IF NOT EXISTS (SELECT 1 FROM sites s WHERE s.code = site_code AND s.install_key = key) THEN
        RAISE EXCEPTION 'site % is not claimed by this installation', site_code USING ERRCODE = 'TV001';
    END IF;
    FOR p IN SELECT value FROM jsonb_array_elements(batch) LOOP
        BEGIN
            bytes := decode(p ->> 'record', 'base64');
            len := get_byte(bytes, 4) + (get_byte(bytes, 5) << 8) + (get_byte(bytes, 6) << 16)
                   + (get_byte(bytes, 7)::bigint << 24);
            IF substring(bytes FROM 1 FOR 4) <> '\x54564d31'::bytea OR octet_length(bytes) <> 8 + len + 96 THEN
                RAISE EXCEPTION 'не запись весовой памяти';
            END IF;
            body := convert_from(substring(bytes FROM 9 FOR len::integer), 'UTF8');
            no := tarvo_memory_field(body, '№')::bigint;
            IF no IS NULL OR no < 1 THEN
                RAISE EXCEPTION 'запись весовой памяти без номера';
            END IF;
            SELECT m.record INTO held FROM memory_records m WHERE m.site = site_code AND m.number = no;
            IF FOUND THEN
                IF held <> bytes THEN
                    RAISE EXCEPTION 'запись № % весовой памяти отличается от записи, которую хранит сервер', no
                        USING ERRCODE = 'TV003';
                END IF;
            ELSE
                INSERT INTO memory_records (site, number, kind, written, card_id, record)
                    VALUES (site_code, no, coalesce(tarvo_memory_field(body, 'Запись'), ''),
                            to_timestamp(tarvo_memory_field(body, 'Записано'), 'DD.MM.YYYY HH24:MI:SS')::timestamp,
                            tarvo_memory_field(body, 'Карточка ID')::integer, bytes);
                IF no = 1 THEN
                    UPDATE sites SET memory_key = decode(tarvo_memory_field(body, 'Открытый ключ'), 'hex')
                        WHERE code = site_code AND memory_key IS NULL;
                END IF;
            END IF;
        EXCEPTION WHEN OTHERS THEN
            rejected_no := (p ->> 'change_no')::bigint;
            rejected_reason := SQLERRM;
            RETURN NEXT;
        END;
    END LOOP;
END
$$;

-- A batch of the outbox: its cards to tarvo_put_cards, its records to
-- tarvo_put_memory, in the one transaction of the call.
CREATE FUNCTION tarvo_put_changes(site_code text, key text, batch jsonb)
RETURNS TABLE (rejected_no bigint, rejected_reason text)
LANGUAGE sql AS $$
    SELECT * FROM tarvo_put_memory(site_code, key,
        coalesce((SELECT jsonb_agg(e.value) FROM jsonb_array_elements(batch) e WHERE e.value ? 'record'), '[]'))
    UNION ALL
    SELECT * FROM tarvo_put_cards(site_code, key,
        coalesce((SELECT jsonb_agg(e.value) FROM jsonb_array_elements(batch) e WHERE NOT e.value ? 'record'), '[]'))
$$;

-- The office's read-only user, where it exists already, reads the records too.
DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tarvo_office') THEN
        GRANT SELECT ON memory_records TO tarvo_office;
    END IF;
END
$$;
