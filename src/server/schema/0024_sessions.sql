---------------------------------------------------------------------------------------------------
-- Sessions and failed logins kept in the account set's database, so that several application
-- servers in front of one database serve each other's clients and count each other's failures.
---------------------------------------------------------------------------------------------------

-- A logged-in session: the SHA-256 of its token (the token itself never leaves the server that
-- issued it and the client), its user, where it logged in from and, in seconds since 1970, when
-- it began and when it was last seen. A server table (qk_): no client statement reads it.
CREATE TABLE qk_session (
  tokenHash VARCHAR(64) PRIMARY KEY,
  userName NVARCHAR(20) COLLATE NOCASE NOT NULL,
  address VARCHAR(64),
  created INTEGER NOT NULL,
  lastUsed INTEGER NOT NULL
);

-- Failed logins of a user from one address since its last success there.
CREATE TABLE qk_login_failure (
  userName NVARCHAR(20) COLLATE NOCASE NOT NULL,
  address VARCHAR(64) NOT NULL,
  failures INTEGER NOT NULL,
  lastFailure INTEGER NOT NULL,
  PRIMARY KEY (userName, address)
);
