#pragma once

#include <libpq-fe.h>

#include <string>

namespace portico {

// The PostgreSQL client library, loaded the first time a server catalogue is
// opened. The programs open catalogue files far more often than servers, and
// libpq with its TLS, Kerberos and LDAP libraries costs every start-up a
// noticeable share of its time when linked.
struct LibPq {
    decltype(&::PQconnectdbParams) PQconnectdbParams;
    decltype(&::PQstatus) PQstatus;
    decltype(&::PQerrorMessage) PQerrorMessage;
    decltype(&::PQfinish) PQfinish;
    decltype(&::PQhost) PQhost;
    decltype(&::PQport) PQport;
    decltype(&::PQdb) PQdb;
    decltype(&::PQexec) PQexec;
    decltype(&::PQexecParams) PQexecParams;
    decltype(&::PQsendQueryParams) PQsendQueryParams;
    decltype(&::PQsendQuery) PQsendQuery;
    decltype(&::PQisBusy) PQisBusy;
    decltype(&::PQconsumeInput) PQconsumeInput;
    decltype(&::PQsocket) PQsocket;
    decltype(&::PQsetSingleRowMode) PQsetSingleRowMode;
    decltype(&::PQgetResult) PQgetResult;
    decltype(&::PQresultStatus) PQresultStatus;
    decltype(&::PQresultErrorField) PQresultErrorField;
    decltype(&::PQclear) PQclear;
    decltype(&::PQntuples) PQntuples;
    decltype(&::PQnfields) PQnfields;
    decltype(&::PQfname) PQfname;
    decltype(&::PQftype) PQftype;
    decltype(&::PQftable) PQftable;
    decltype(&::PQftablecol) PQftablecol;
    decltype(&::PQgetisnull) PQgetisnull;
    decltype(&::PQgetvalue) PQgetvalue;
    decltype(&::PQgetlength) PQgetlength;
    decltype(&::PQconninfoParse) PQconninfoParse;
    decltype(&::PQconninfoFree) PQconninfoFree;
};

// The loaded library; throws PorticoError (source "PostgreSQL") when it is not
// installed or lacks a function. Loaded once per process, never unloaded.
const LibPq& libpq();

// True when libpq reads a password or sslpassword option in the connection
// string, however it is spelled. Settings ask this (setPasswordDecision) once
// the data layer is linked in; a string libpq cannot parse carries none it would use.
bool libpqCarriesPassword(const std::string& connectionString);

// Deleters for holding the library's connections and results in a std::unique_ptr.
struct ConnectionFinisher {
    void operator()(PGconn* connection) const { libpq().PQfinish(connection); }
};
struct ResultClearer {
    void operator()(PGresult* result) const { libpq().PQclear(result); }
};

}  // namespace portico
