-- Who may see what, kept by the server itself: row-level security on the
-- catalogue's tables, so that a member of the users' role reads, with any
-- client, only the programs they may see (and so only their pictures), only
-- the permission rows of those programs, their own user row and the rows of
-- the groups they are in. The administrators' role sees and changes everything.
-- A program with no permission row of status 1 is open to all; one with such
-- rows is seen by the users named in them and by the members of the roles
-- named by their groups. Names compare without regard to case: both sides
-- lower-cased under the database's default collation, then byte for byte. Not
-- under the catalogue columns' own collation: lower() under it opens an ICU
-- collator, which costs each new session (each launcher start) some 10 ms.
-- {{schema}}, {{admins}} and {{users}} are filled in by portico-create-catalogue.
-- Running it again changes nothing.

-- The notes of a first run ("policy ... does not exist, skipping") say nothing useful.
SET LOCAL client_min_messages = warning;

-- Nobody but the owner creates objects here, so nothing a user plants is found
-- by name in an administrator's session.
REVOKE CREATE ON SCHEMA {{schema}} FROM PUBLIC;

-- The keys of the programs hidden from the role `who`: those with a grant, less
-- those granted to `who` by name or to a role `who` is a member of. It reads
-- every grant, so it runs with the owner's rights, on a fixed search path.
CREATE OR REPLACE FUNCTION {{schema}}.portico_hidden_from(who text) RETURNS integer[]
LANGUAGE sql STABLE SECURITY DEFINER
SET search_path = pg_catalog, {{schema}}
AS $$
  WITH person AS (
    SELECT r.oid FROM pg_catalog.pg_roles r WHERE lower(r.rolname COLLATE "default") = lower(who COLLATE "default")
    ORDER BY r.rolname = who DESC LIMIT 1
  ), mine AS (
    SELECT u.user_key AS object_key, 1 AS object_type FROM {{schema}}."user" u
     WHERE lower(u.user_name COLLATE "default") = lower(who COLLATE "default")
    UNION ALL
    SELECT g.group_key, 2 FROM {{schema}}."group" g
      JOIN pg_catalog.pg_roles r ON lower(r.rolname COLLATE "default") = lower(g.group_name COLLATE "default")
      JOIN person ON pg_catalog.pg_has_role(person.oid, r.oid, 'MEMBER')
  )
  SELECT coalesce(array_agg(hidden.program_key), '{}') FROM (
    SELECT p.program_key FROM {{schema}}.permission p
     WHERE p.permission_status = 1 AND p.program_key IS NOT NULL
    EXCEPT
    SELECT q.program_key FROM {{schema}}.permission q JOIN mine
        ON q.object_key = mine.object_key AND q.object_type = mine.object_type
     WHERE q.permission_status = 1) hidden
$$;
REVOKE ALL ON FUNCTION {{schema}}.portico_hidden_from(text) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION {{schema}}.portico_hidden_from(text) TO {{admins}};

-- What is hidden from the person connected (not from a role they SET ROLE to).
CREATE OR REPLACE FUNCTION {{schema}}.portico_hidden() RETURNS integer[]
LANGUAGE sql STABLE SECURITY DEFINER
SET search_path = pg_catalog, {{schema}}
AS $$ SELECT {{schema}}.portico_hidden_from(session_user::text) $$;
REVOKE ALL ON FUNCTION {{schema}}.portico_hidden() FROM PUBLIC;
GRANT EXECUTE ON FUNCTION {{schema}}.portico_hidden() TO {{admins}}, {{users}};

ALTER TABLE {{schema}}.program ENABLE ROW LEVEL SECURITY;
ALTER TABLE {{schema}}.permission ENABLE ROW LEVEL SECURITY;
ALTER TABLE {{schema}}."user" ENABLE ROW LEVEL SECURITY;
ALTER TABLE {{schema}}."group" ENABLE ROW LEVEL SECURITY;

DROP POLICY IF EXISTS portico_administrators ON {{schema}}.program;
CREATE POLICY portico_administrators ON {{schema}}.program TO {{admins}} USING (true) WITH CHECK (true);
DROP POLICY IF EXISTS portico_administrators ON {{schema}}.permission;
CREATE POLICY portico_administrators ON {{schema}}.permission TO {{admins}} USING (true) WITH CHECK (true);
DROP POLICY IF EXISTS portico_administrators ON {{schema}}."user";
CREATE POLICY portico_administrators ON {{schema}}."user" TO {{admins}} USING (true) WITH CHECK (true);
DROP POLICY IF EXISTS portico_administrators ON {{schema}}."group";
CREATE POLICY portico_administrators ON {{schema}}."group" TO {{admins}} USING (true) WITH CHECK (true);

-- The hidden keys are worked out once a statement, not once a row, and each
-- row is looked up in them by hash ("<> ALL" of the array compared every row
-- with every hidden key: 6 ms for 1,000 programs of which 400 are hidden).
DROP POLICY IF EXISTS portico_readers ON {{schema}}.program;
CREATE POLICY portico_readers ON {{schema}}.program FOR SELECT TO {{users}}
  USING (program_key NOT IN (SELECT unnest({{schema}}.portico_hidden())));
DROP POLICY IF EXISTS portico_readers ON {{schema}}.permission;
CREATE POLICY portico_readers ON {{schema}}.permission FOR SELECT TO {{users}}
  USING (program_key NOT IN (SELECT unnest({{schema}}.portico_hidden())));
DROP POLICY IF EXISTS portico_readers ON {{schema}}."user";
CREATE POLICY portico_readers ON {{schema}}."user" FOR SELECT TO {{users}}
  USING (lower(user_name COLLATE "default") = lower(session_user::text COLLATE "default"));
DROP POLICY IF EXISTS portico_readers ON {{schema}}."group";
CREATE POLICY portico_readers ON {{schema}}."group" FOR SELECT TO {{users}}
  USING (EXISTS (SELECT 1 FROM pg_catalog.pg_roles r
                  WHERE lower(r.rolname COLLATE "default") = lower(group_name COLLATE "default")
                    AND pg_catalog.pg_has_role(session_user, r.oid, 'MEMBER')));
