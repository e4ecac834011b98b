-- A counter the server moves on every change of the catalogue, so that a
-- launcher learns with one small read that its list is out of date. Applied
-- to a new catalogue and again by an upgrade: every statement may run twice.
SET LOCAL client_min_messages = warning;

CREATE TABLE IF NOT EXISTS portico_changes (
    id integer PRIMARY KEY CHECK (id = 1),
    counter bigint NOT NULL
);
INSERT INTO portico_changes VALUES (1, 0) ON CONFLICT (id) DO NOTHING;

-- Runs with its owner's rights: the users who change the catalogue need no
-- right to write the counter.
CREATE OR REPLACE FUNCTION portico_count_change() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    EXECUTE format('UPDATE %I.portico_changes SET counter = counter + 1 WHERE id = 1', TG_TABLE_SCHEMA);
    RETURN NULL;
END
$$;

DO $$
DECLARE
    name text;
BEGIN
    FOREACH name IN ARRAY ARRAY['program', 'permission', 'user', 'group', 'folder', 'theme', 'settings'] LOOP
        EXECUTE format('DROP TRIGGER IF EXISTS portico_count_change ON %I', name);
        EXECUTE format('CREATE TRIGGER portico_count_change AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %I '
                       'FOR EACH STATEMENT EXECUTE FUNCTION portico_count_change()', name);
    END LOOP;
END
$$;
