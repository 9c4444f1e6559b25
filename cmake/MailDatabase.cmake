# The mail client's database: MySQL++ over the MariaDB client interface, and the embedded
# MariaDB server (libmariadbd) that a program may run inside its own process.
#
#   Tessaly::MySQLpp          libmysqlpp with the MySQL++ and MariaDB client headers
#   Tessaly::MariaDBEmbedded  libmariadbd, the server as a library
#
# libmariadbd exports the whole client interface (mysql_init, mysql_real_query, ...) as
# libmysqlpp's own dependency libmariadb does. A program that runs the embedded server links
# libmariadbd ahead of libmysqlpp, so libmariadbd comes first in the process's symbol search
# and serves every mysql_* call, embedded and remote connections alike. The file is used by
# the build and, installed as TessalyMailDatabase.cmake, by the package's TessalyConfig.cmake.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TESSALY_MARIADB_CLIENT REQUIRED QUIET libmariadb)
find_path(TESSALY_MYSQLPP_INCLUDE_DIR mysql++/mysql++.h REQUIRED)
find_library(TESSALY_MYSQLPP_LIBRARY mysqlpp REQUIRED)
find_library(TESSALY_MARIADBD_LIBRARY NAMES mariadbd mysqld REQUIRED)

if(NOT TARGET Tessaly::MySQLpp)
    add_library(Tessaly::MySQLpp UNKNOWN IMPORTED)
    set_target_properties(Tessaly::MySQLpp PROPERTIES
        IMPORTED_LOCATION "${TESSALY_MYSQLPP_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${TESSALY_MARIADB_CLIENT_INCLUDE_DIRS}")
endif()
if(NOT TARGET Tessaly::MariaDBEmbedded)
    add_library(Tessaly::MariaDBEmbedded UNKNOWN IMPORTED)
    set_target_properties(Tessaly::MariaDBEmbedded PROPERTIES
        IMPORTED_LOCATION "${TESSALY_MARIADBD_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${TESSALY_MARIADB_CLIENT_INCLUDE_DIRS}")
endif()
