#pragma once
// The contacts both mail benchmarks verify against: 100,000 contacts and the lists "Team" (L1)
// and "Club" (L2) of 100 members each, drawn from the contacts.
#include <mysql++/mysql++.h>

#include <random>
#include <string>

namespace tessaly::bench {

constexpr int kContacts = 100000;
constexpr int kMembers = 100;

inline std::string ContactName(int i) {
    return "Contact Person " + std::to_string(i);
}
inline std::string ContactAddress(int i) {
    return "person" + std::to_string(i) + "@example.org";
}

// Writes the contacts, lists and members on a connection with the rights to write them; the
// members are drawn with random, which the caller may go on using.
inline void FillContacts(mysqlpp::Connection& connection, std::mt19937& random) {
    mysqlpp::Query q = connection.query();
    for (int start = 0; start < kContacts; start += 2000) {
        std::string insert =
            "insert into MainAddr (RecordID, FolderID, Name, Address, hot) values ";
        for (int i = start; i < start + 2000; ++i)
            insert += (i > start ? ",('C" : "('C") + std::to_string(i) + "','F','" +
                      ContactName(i) + "','" + ContactAddress(i) + "',0)";
        q.exec(insert);
    }
    q.exec("insert into DistList values ('L1','F','Team'),('L2','F','Club')");
    std::uniform_int_distribution<int> any(0, kContacts - 1);
    for (const char* list : {"L1", "L2"}) {
        std::string insert = "insert into DistMembers values ";
        for (int m = 0; m < kMembers; ++m)
            insert += std::string(m ? "," : "") + "('" + list + "M" + std::to_string(m) + "','" +
                      list + "',1,'C" + std::to_string(any(random)) + "','','')";
        q.exec(insert);
    }
}

} // namespace tessaly::bench
