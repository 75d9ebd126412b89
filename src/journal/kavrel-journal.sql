-- The shared journal of the posts' test registers, on a PostgreSQL server.
-- Run once by the server's administrator, in the database the posts send
-- to, as its owner or a superuser:
--   psql -v ON_ERROR_STOP=1 -d kavrel -f /usr/share/kavrel/kavrel-journal.sql
-- Then, for each post, a login role in kavrel_post and its post's name:
--   CREATE ROLE post_depot1 LOGIN PASSWORD '...' IN ROLE kavrel_post;
--   INSERT INTO kavrel.posts (login, post) VALUES ('post_depot1', 'Депо 1');
-- and for whoever reads the whole journal, a login role in kavrel_reader.
--
-- A post may add rows for its own post's name only and read only its own
-- rows; nobody may change or delete a row (no grant, and a trigger that
-- refuses it to the owner too); a reader reads every row and adds none.

BEGIN;

DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kavrel_post') THEN
        CREATE ROLE kavrel_post NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kavrel_reader') THEN
        CREATE ROLE kavrel_reader NOLOGIN;
    END IF;
END
$$;

CREATE SCHEMA kavrel;
REVOKE ALL ON SCHEMA kavrel FROM PUBLIC;
GRANT USAGE ON SCHEMA kavrel TO kavrel_post, kavrel_reader;

-- Which login role sends for which post.
CREATE TABLE kavrel.posts (
    login name PRIMARY KEY,
    post text NOT NULL UNIQUE CHECK (post <> '')
);

-- One row a record of a post's register, as the post keeps it: the same
-- fields and chain value, keyed by the post and the record's number.
CREATE TABLE kavrel.journal (
    post text NOT NULL CHECK (post <> ''),
    no bigint NOT NULL CHECK (no > 0),
    date text NOT NULL,
    time text NOT NULL,
    utc_offset text NOT NULL,
    year integer,
    month integer NOT NULL CHECK (month BETWEEN 1 AND 12),
    name text NOT NULL,
    tenths integer,
    result text NOT NULL,
    instrument integer,
    sensor integer,
    month_file text NOT NULL,
    line text NOT NULL,
    note text NOT NULL,
    chain text NOT NULL CHECK (chain ~ '^[0-9a-f]{64}$'),
    received timestamptz NOT NULL DEFAULT now(),
    -- The order of the journal across posts: the test's date and time as
    -- "YYYYMMDDHH:MM:SS" ("0000MMDD..." when the year is not known).
    tested text GENERATED ALWAYS AS (
        coalesce(lpad(year::text, 4, '0'), '0000') || substr(date, 4, 2) || substr(date, 1, 2) || time
    ) STORED,
    PRIMARY KEY (post, no)
);

-- The journal lists the newest rows of a year, of a year and a month, or
-- of all years.
CREATE INDEX journal_by_year ON kavrel.journal (year, tested, post, no);
CREATE INDEX journal_by_year_month ON kavrel.journal (year, month, tested, post, no);
CREATE INDEX journal_by_time ON kavrel.journal (tested, post, no);

CREATE FUNCTION kavrel.refuse_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION 'rows of kavrel.journal are never changed or deleted';
END
$$;
CREATE TRIGGER journal_no_update BEFORE UPDATE OR DELETE ON kavrel.journal
    FOR EACH ROW EXECUTE FUNCTION kavrel.refuse_change();
CREATE TRIGGER journal_no_truncate BEFORE TRUNCATE ON kavrel.journal
    FOR EACH STATEMENT EXECUTE FUNCTION kavrel.refuse_change();

-- The post of the role connected (none for any other role).
CREATE FUNCTION kavrel.own_post() RETURNS text LANGUAGE sql STABLE
    SET search_path = pg_catalog
    AS $$ SELECT post FROM kavrel.posts WHERE login = current_user $$;
REVOKE ALL ON FUNCTION kavrel.own_post() FROM PUBLIC;
GRANT EXECUTE ON FUNCTION kavrel.own_post() TO kavrel_post, kavrel_reader;

ALTER TABLE kavrel.posts ENABLE ROW LEVEL SECURITY;
CREATE POLICY post_sees_itself ON kavrel.posts FOR SELECT TO kavrel_post USING (login = current_user);
CREATE POLICY reader_sees_all ON kavrel.posts FOR SELECT TO kavrel_reader USING (true);

ALTER TABLE kavrel.journal ENABLE ROW LEVEL SECURITY;
CREATE POLICY post_adds_own ON kavrel.journal FOR INSERT TO kavrel_post WITH CHECK (post = kavrel.own_post());
CREATE POLICY post_reads_own ON kavrel.journal FOR SELECT TO kavrel_post USING (post = kavrel.own_post());
CREATE POLICY reader_reads_all ON kavrel.journal FOR SELECT TO kavrel_reader USING (true);

REVOKE ALL ON kavrel.posts, kavrel.journal FROM PUBLIC;
GRANT SELECT ON kavrel.posts TO kavrel_post, kavrel_reader;
-- The post's columns only: the server fills in the time it received a row.
GRANT SELECT ON kavrel.journal TO kavrel_post, kavrel_reader;
GRANT INSERT (post, no, date, time, utc_offset, year, month, name, tenths, result, instrument, sensor,
              month_file, line, note, chain) ON kavrel.journal TO kavrel_post;

COMMIT;
