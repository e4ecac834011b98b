#include "settings/PorticoError.h"
#include "settings/ServerConnectionString.h"
#include "settings/clsEnvironment.h"

#include <gtest/gtest.h>

// With the data layer linked in, libpq's own parser decides whether a connection
// string in the settings carries a password: every spelling libpq accepts is caught.
TEST(StoredPassword, EverySpellingLibpqReadsIsRefused) {
    const struct {
        const char* connection;
        bool password;
    } cases[] = {
        {"postgresql:///portico?host=/run/x&%70assword=secret", true},  // escaped key
        {"postgresql:///portico?sslpassword=secret", true},
        {"postgresql://alice:secret@db/portico", true},
        {"host=db dbname=portico password\n=secret", true},
        {"host=db dbname=portico sslpassword = 'a b'", true},
        {"service=portico", false},
        {"host=db dbname=portico application_name='password=x'", false},
        {"postgresql://alice@db/portico?options=password%3Dx", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(portico::carriesPassword(c.connection), c.password) << c.connection;
        portico::clsEnvironment environment;
        bool refused = false;
        try {
            environment.setDatabasePath(c.connection);
        } catch (const portico::PorticoError&) {
            refused = true;
        }
        EXPECT_EQ(refused, c.password) << c.connection;
    }
}
