// Message texts: the system's English error texts, the network-management texts of
// "netmsg.dll", and the message formatter with its inserts (%1, %2!d!) and escapes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/memory.h"

namespace tessaly::platform {

namespace {

constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorMessageNotFound = 317;        // ERROR_MR_MID_NOT_FOUND
constexpr DWORD kErrorResourceLangNotFound = 15100; // ERROR_RESOURCE_LANG_NOT_FOUND

struct Message {
    DWORD code;
    const char* text;
};

// The system's texts, worded as the system words them. Each ends in CR LF.
const Message kSystemMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {7, "The storage control blocks were destroyed.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {9, "The storage control block address is invalid.\r\n"},
    {10, "The environment is incorrect.\r\n"},
    {11, "An attempt was made to load a program with an incorrect format.\r\n"},
    {12, "The access code is invalid.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {16, "The directory cannot be removed.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {20, "The system cannot find the device specified.\r\n"},
    {21, "The device is not ready.\r\n"},
    {22, "The device does not recognize the command.\r\n"},
    {23, "Data error (cyclic redundancy check).\r\n"},
    {24, "The program issued a command but the command length is incorrect.\r\n"},
    {25, "The drive cannot locate a specific area or track on the disk.\r\n"},
    {26, "The specified disk or diskette cannot be accessed.\r\n"},
    {27, "The drive cannot find the sector requested.\r\n"},
    {28, "The printer is out of paper.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {33, "The process cannot access the file because another process has locked a portion of "
         "the file.\r\n"},
    {36, "Too many files opened for sharing.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {39, "The disk is full.\r\n"},
    {50, "The request is not supported.\r\n"},
    {51, "Windows cannot find the network path. Verify that the network path is correct and the "
         "destination computer is not busy or turned off. If Windows still cannot find the "
         "network path, contact your network administrator.\r\n"},
    {53, "The network path was not found.\r\n"},
    {54, "The network is busy.\r\n"},
    {55, "The specified network resource or device is no longer available.\r\n"},
    {59, "An unexpected network error occurred.\r\n"},
    {64, "The specified network name is no longer available.\r\n"},
    {65, "Network access is denied.\r\n"},
    {67, "The network name cannot be found.\r\n"},
    {80, "The file exists.\r\n"},
    {82, "The directory or file cannot be created.\r\n"},
    {85, "The local device name is already in use.\r\n"},
    {86, "The specified network password is not correct.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {89, "The system cannot start another process at this time.\r\n"},
    {108, "The disk is in use or locked by another process.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {110, "The system cannot open the device or file specified.\r\n"},
    {111, "The file name is too long.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {121, "The semaphore timeout period has expired.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {128, "There are no child processes to wait for.\r\n"},
    {131, "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {158, "The segment is already unlocked.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {164, "No more threads can be created in the system.\r\n"},
    {170, "The requested resource is in use.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {203, "The system could not find the environment option that was entered.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {230, "The pipe state is invalid.\r\n"},
    {231, "All pipe instances are busy.\r\n"},
    {232, "The pipe is being closed.\r\n"},
    {233, "No process is on the other end of the pipe.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {288, "Attempt to release mutex not owned by caller.\r\n"},
    {317, "The system cannot find message text for message number 0x%1 in the message file for "
          "%2.\r\n"},
    {487, "Attempt to access invalid address.\r\n"},
    {995, "The I/O operation has been aborted because of either a thread exit or an application "
          "request.\r\n"},
    {996, "Overlapped I/O event is not in a signaled state.\r\n"},
    {997, "Overlapped I/O operation is in progress.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1001, "Recursion too deep; the stack overflowed.\r\n"},
    {1004, "Invalid flags.\r\n"},
    {1008, "An attempt was made to reference a token that does not exist.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for "
           "deletion.\r\n"},
    {1021, "Cannot create a stable subkey under a volatile parent key.\r\n"},
    {1060, "The specified service does not exist as an installed service.\r\n"},
    {1062, "The service has not been started.\r\n"},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code "
           "page.\r\n"},
    {1114, "A dynamic link library (DLL) initialization routine failed.\r\n"},
    {1117, "The request could not be performed because of an I/O device error.\r\n"},
    {1155, "No application is associated with the specified file for this operation.\r\n"},
    {1156, "An error occurred in sending the command to the application.\r\n"},
    {1157, "One of the library files needed to run this application cannot be found.\r\n"},
    {1168, "Element not found.\r\n"},
    {1200, "The specified device name is invalid.\r\n"},
    {1208, "An extended error has occurred.\r\n"},
    {1222, "The network is not present or not started.\r\n"},
    {1223, "The operation was canceled by the user.\r\n"},
    {1314, "A required privilege is not held by the client.\r\n"},
    {1326, "The user name or password is incorrect.\r\n"},
    {1392, "The file or directory is corrupted and unreadable.\r\n"},
    {1400, "Invalid window handle.\r\n"},
    {1401, "Invalid menu handle.\r\n"},
    {1402, "Invalid cursor handle.\r\n"},
    {1407, "Cannot find window class.\r\n"},
    {1413, "Invalid index.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1722, "The RPC server is unavailable.\r\n"},
    {1801, "The printer name is invalid.\r\n"},
    {1802, "The printer driver is unknown.\r\n"},
    {1804, "The specified datatype is invalid.\r\n"},
    {1805, "The environment specified is invalid.\r\n"},
    {1812, "The specified image file did not contain a resource section.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
    {1815, "The specified resource language ID cannot be found in the image file.\r\n"},
    {1816, "Not enough quota is available to process this command.\r\n"},
    {1921, "The name of the file cannot be resolved by the system.\r\n"},
    // The few network codes the system's own table holds (the others are netmsg.dll's).
    {2202, "The specified username is invalid.\r\n"},
    {2250, "This network connection does not exist.\r\n"},
    {2401, "This network connection has files open or requests pending.\r\n"},
    {2402, "Active connections still exist.\r\n"},
    {2404, "The device is in use by an active process and cannot be disconnected.\r\n"},
    {15100, "The resource loader failed to find MUI file.\r\n"},
    // Automation and component results.
    {0x80004001, "Not implemented\r\n"},
    {0x80004002, "No such interface supported\r\n"},
    {0x80004003, "Invalid pointer\r\n"},
    {0x80004004, "Operation aborted\r\n"},
    {0x80004005, "Unspecified error\r\n"},
    {0x8000FFFF, "Catastrophic failure\r\n"},
    {0x80020003, "Member not found.\r\n"},
    {0x80020005, "Type mismatch.\r\n"},
    {0x80020006, "Unknown name.\r\n"},
    {0x80020008, "Bad variable type.\r\n"},
    {0x80020009, "Exception occurred.\r\n"},
    {0x8002000A, "Out of present range.\r\n"},
    {0x8002000B, "Invalid index.\r\n"},
    {0x8002000D, "Memory is locked.\r\n"},
    {0x8002000E, "Invalid number of parameters.\r\n"},
    {0x80040154, "Class not registered\r\n"},
    {0x800401F0, "CoInitialize has not been called.\r\n"},
};

// The network-management texts (2100 to 2999) of the message module "netmsg.dll".
const Message kNetworkMessages[] = {
    {2102, "The workstation driver is not installed.\r\n"},
    {2103, "The server could not be located.\r\n"},
    {2104, "An internal error occurred. The network cannot access a shared memory "
           "segment.\r\n"},
    {2105, "A network resource shortage occurred.\r\n"},
    {2106, "This operation is not supported on workstations.\r\n"},
    {2107, "The device is not connected.\r\n"},
    {2114, "The Server service is not started.\r\n"},
    {2115, "The queue is empty.\r\n"},
    {2116, "The device or directory does not exist.\r\n"},
    {2117, "The operation is invalid on a redirected resource.\r\n"},
    {2118, "The name has already been shared.\r\n"},
    {2119, "The server is currently out of the requested resource.\r\n"},
    {2121, "Requested addition of items exceeds the maximum allowed.\r\n"},
    {2122, "The Peer service supports only two simultaneous users.\r\n"},
    {2123, "The API return buffer is too small.\r\n"},
    {2127, "A remote API error occurred.\r\n"},
    {2131, "An error occurred when opening or reading the configuration file.\r\n"},
    {2136, "A general network error occurred.\r\n"},
    {2137, "The Workstation service is in an inconsistent state. Restart the computer before "
           "restarting the Workstation service.\r\n"},
    {2138, "The Workstation service has not been started.\r\n"},
    {2139, "The requested information is not available.\r\n"},
    {2140, "An internal Windows error occurred.\r\n"},
    {2141, "The server is not configured for transactions.\r\n"},
    {2142, "The requested API is not supported on the remote server.\r\n"},
    {2143, "The event name is invalid.\r\n"},
    {2144, "The computer name already exists on the network. Change it and restart the "
           "computer.\r\n"},
    {2146, "The specified component could not be found in the configuration information.\r\n"},
    {2147, "The specified parameter could not be found in the configuration information.\r\n"},
    {2149, "A line in the configuration file is too long.\r\n"},
    {2150, "The printer does not exist.\r\n"},
    {2151, "The print job does not exist.\r\n"},
    {2152, "The printer destination cannot be found.\r\n"},
    {2153, "The printer destination already exists.\r\n"},
    {2154, "The printer queue already exists.\r\n"},
    {2155, "No more printers can be added.\r\n"},
    {2156, "No more print jobs can be added.\r\n"},
    {2157, "No more printer destinations can be added.\r\n"},
    {2158, "This printer destination is idle and cannot accept control operations.\r\n"},
    {2159, "This printer destination request contains an invalid control function.\r\n"},
    {2160, "The print processor is not responding.\r\n"},
    {2161, "The spooler is not running.\r\n"},
    {2162, "This operation cannot be performed on the print destination in its current "
           "state.\r\n"},
    {2163, "This operation cannot be performed on the printer queue in its current state.\r\n"},
    {2164, "This operation cannot be performed on the print job in its current state.\r\n"},
    {2165, "A spooler memory allocation failure occurred.\r\n"},
    {2166, "The device driver does not exist.\r\n"},
    {2167, "The data type is not supported by the print processor.\r\n"},
    {2168, "The print processor is not installed.\r\n"},
    {2180, "The service database is locked.\r\n"},
    {2181, "The service table is full.\r\n"},
    {2182, "The requested service has already been started.\r\n"},
    {2183, "The service does not respond to control actions.\r\n"},
    {2184, "The service has not been started.\r\n"},
    {2185, "The service name is invalid.\r\n"},
    {2186, "The service is not responding to the control function.\r\n"},
    {2187, "The service control is busy.\r\n"},
    {2188, "The configuration file contains an invalid service program name.\r\n"},
    {2189, "The service could not be controlled in its present state.\r\n"},
    {2190, "The service ended abnormally.\r\n"},
    {2191, "The requested pause, continue, or stop is not valid for this service.\r\n"},
    {2200, "This workstation is already logged on to the local-area network.\r\n"},
    {2201, "The workstation is not logged on to the local-area network.\r\n"},
    {2202, "The user name or group name parameter is invalid.\r\n"},
    {2203, "The password parameter is invalid.\r\n"},
    {2209, "Network logons are paused.\r\n"},
    {2210, "A centralized logon-server conflict occurred.\r\n"},
    {2211, "The server is configured without a valid user path.\r\n"},
    {2212, "An error occurred while loading or running the logon script.\r\n"},
    {2215, "The logon server could not be found.\r\n"},
    {2216, "There is already a logon domain for this computer.\r\n"},
    {2217, "The logon server could not validate the logon.\r\n"},
    {2219, "The security database could not be found.\r\n"},
    {2220, "The group name could not be found.\r\n"},
    {2221, "The user name could not be found.\r\n"},
    {2222, "The resource name could not be found.\r\n"},
    {2223, "The group already exists.\r\n"},
    {2224, "The account already exists.\r\n"},
    {2225, "The resource permission list already exists.\r\n"},
    {2226, "This operation is only allowed on the primary domain controller of the "
           "domain.\r\n"},
    {2227, "The security database has not been started.\r\n"},
    {2228, "There are too many names in the user accounts database.\r\n"},
    {2229, "A disk I/O failure occurred.\r\n"},
    {2230, "The limit of 64 entries per resource was exceeded.\r\n"},
    {2231, "Deleting a user with a session is not allowed.\r\n"},
    {2232, "The parent directory could not be located.\r\n"},
    {2234, "This operation is not allowed on this special group.\r\n"},
    {2236, "The user already belongs to this group.\r\n"},
    {2237, "The user does not belong to this group.\r\n"},
    {2238, "This user account is undefined.\r\n"},
    {2239, "This user account has expired.\r\n"},
    {2240, "The user is not allowed to log on from this workstation.\r\n"},
    {2241, "The user is not allowed to log on at this time.\r\n"},
    {2242, "The password of this user has expired.\r\n"},
    {2243, "The password of this user cannot change.\r\n"},
    {2244, "This password cannot be used now.\r\n"},
    {2246, "The password of this user is too recent to change.\r\n"},
    {2247, "The security database is corrupted.\r\n"},
    {2250, "The network connection could not be found.\r\n"},
    {2251, "This asg_type is invalid.\r\n"},
    {2252, "This device is currently being shared.\r\n"},
    {2270, "The computer name could not be added as a message alias. The name may already "
           "exist on the network.\r\n"},
    {2271, "The Messenger service is already started.\r\n"},
    {2272, "The Messenger service failed to start.\r\n"},
    {2273, "The message alias could not be found on the network.\r\n"},
    {2284, "The Messenger service has not been started.\r\n"},
    {2285, "The name is not on the local computer.\r\n"},
    {2294, "This is an invalid device name.\r\n"},
    {2295, "A write fault occurred.\r\n"},
    {2300, "This operation is not supported on computers with multiple networks.\r\n"},
    {2310, "This shared resource does not exist.\r\n"},
    {2311, "This device is not shared.\r\n"},
    {2312, "A session does not exist with that computer name.\r\n"},
    {2314, "There is not an open file with that identification number.\r\n"},
    {2315, "A failure occurred when executing a remote administration command.\r\n"},
    {2316, "A failure occurred when opening a remote temporary file.\r\n"},
    {2319, "The information in the list of servers may be incorrect.\r\n"},
    {2320, "The computer is not active in this domain.\r\n"},
    {2331, "The operation is invalid for this device.\r\n"},
    {2332, "This device cannot be shared.\r\n"},
    {2333, "This device was not open.\r\n"},
    {2338, "The queue you specified does not exist.\r\n"},
    {2341, "The requested device is invalid.\r\n"},
    {2342, "This device is already in use by the spooler.\r\n"},
    {2343, "This device is already in use as a communication device.\r\n"},
    {2351, "This computer name is invalid.\r\n"},
    {2354, "The string and prefix specified are too long.\r\n"},
    {2356, "This path component is invalid.\r\n"},
    {2357, "Could not determine the type of input.\r\n"},
    {2362, "The buffer for types is not big enough.\r\n"},
    {2370, "Profile files cannot exceed 64K.\r\n"},
    {2371, "The start offset is out of range.\r\n"},
    {2372, "The system cannot delete current connections to network resources.\r\n"},
    {2373, "The system was unable to parse the command line in this file.\r\n"},
    {2374, "An error occurred while loading the profile file.\r\n"},
    {2377, "Log file %1 is full.\r\n"},
    {2378, "This log file has changed between reads.\r\n"},
    {2379, "Log file %1 is corrupt.\r\n"},
    {2380, "The source path cannot be a directory.\r\n"},
    {2381, "The source path is illegal.\r\n"},
    {2382, "The destination path is illegal.\r\n"},
    {2383, "The source and destination paths are on different servers.\r\n"},
    {2389, "An error occurred when communicating with a Run server.\r\n"},
    {2391, "An error occurred when starting a background process.\r\n"},
    {2392, "The shared resource you are connected to could not be found.\r\n"},
    {2400, "The LAN adapter number is invalid.\r\n"},
    {2401, "There are open files on the connection.\r\n"},
    {2402, "Active connections still exist.\r\n"},
    {2403, "This share name or password is invalid.\r\n"},
    {2404, "The device is being accessed by an active process.\r\n"},
    {2405, "The drive letter is in use locally.\r\n"},
    {2430, "The specified client is already registered for the specified event.\r\n"},
    {2431, "The alert table is full.\r\n"},
    {2432, "An invalid or nonexistent alert name was raised.\r\n"},
    {2433, "The alert recipient is invalid.\r\n"},
    {2440, "The log file does not contain the requested record number.\r\n"},
    {2450, "The user accounts database is not configured correctly.\r\n"},
    {2451, "This operation is not permitted when the Netlogon service is running.\r\n"},
    {2452, "This operation is not allowed on the last administrative account.\r\n"},
    {2453, "Could not find domain controller for this domain.\r\n"},
    {2454, "Could not set logon information for this user.\r\n"},
    {2455, "The Netlogon service has not been started.\r\n"},
    {2456, "Unable to add to the user accounts database.\r\n"},
    {2457, "This server's clock is not synchronized with the primary domain controller's "
           "clock.\r\n"},
    {2458, "A password mismatch has been detected.\r\n"},
    {2460, "The server identification does not specify a valid server.\r\n"},
    {2461, "The session identification does not specify a valid session.\r\n"},
    {2462, "The connection identification does not specify a valid connection.\r\n"},
    {2463, "There is no space for another entry in the table of available servers.\r\n"},
    {2464, "The server has reached the maximum number of sessions it supports.\r\n"},
    {2465, "The server has reached the maximum number of connections it supports.\r\n"},
    {2466, "The server cannot open more files because it has reached its maximum "
           "number.\r\n"},
    {2467, "There are no alternate servers registered on this server.\r\n"},
    {2470, "Try down-level (remote admin protocol) version of API instead.\r\n"},
};

template <size_t N> const char* lookUp(const Message (&table)[N], DWORD code) {
    for (const Message& m : table)
        if (m.code == code) return m.text;
    return nullptr;
}

const char* systemText(DWORD code) {
    if (const char* text = lookUp(kSystemMessages, code)) return text;
    // A Win32 code carried in a result (0x8007xxxx) has the code's own text.
    if ((code & 0xFFFF0000u) == 0x80070000u) return lookUp(kSystemMessages, code & 0xFFFFu);
    return nullptr;
}

// ---- inserts ----

// One %n!spec! insert: the printf conversion and how its argument is read.
enum class ArgKind { Pointer, Int32, Int64, IntPtr, Double, NarrowString, WideString, WideChar };

struct Spec {
    std::string printf; // "%-10s"; the conversion rewritten for this platform's printf
    ArgKind kind = ArgKind::NarrowString;
    int stars = 0; // '*' widths/precisions, each taking the next argument
};

Spec parseSpec(const std::string& spec) {
    Spec out;
    out.printf = "%";
    size_t i = 0;
    while (i < spec.size() && std::strchr("-+ #0", spec[i]))
        out.printf += spec[i++];
    auto number = [&] {
        if (i < spec.size() && spec[i] == '*') {
            ++out.stars;
            out.printf += spec[i++];
            return;
        }
        while (i < spec.size() && spec[i] >= '0' && spec[i] <= '9')
            out.printf += spec[i++];
    };
    number();
    if (i < spec.size() && spec[i] == '.') {
        out.printf += spec[i++];
        number();
    }
    // Length modifiers in the system's spelling: l is 32 bits, I64/ll 64, I pointer size,
    // h narrow, w wide.
    bool wide = false, narrow = false, big = false, pointerSized = false;
    while (i < spec.size()) {
        if (spec.compare(i, 3, "I64") == 0) {
            big = true;
            i += 3;
        } else if (spec.compare(i, 3, "I32") == 0) {
            i += 3;
        } else if (spec.compare(i, 2, "ll") == 0) {
            big = true;
            i += 2;
        } else if (spec[i] == 'I' || spec[i] == 'z' || spec[i] == 't' || spec[i] == 'j') {
            pointerSized = true;
            ++i;
        } else if (spec[i] == 'l' || spec[i] == 'w') {
            wide = true;
            ++i;
        } else if (spec[i] == 'h') {
            narrow = true;
            ++i;
        } else {
            break;
        }
    }
    const char conv = i < spec.size() ? spec[i] : 's';
    switch (conv) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        out.kind = big ? ArgKind::Int64 : pointerSized ? ArgKind::IntPtr : ArgKind::Int32;
        out.printf += big ? "ll" : pointerSized ? "z" : "";
        out.printf += conv;
        break;
    case 'c':
    case 'C':
        out.kind = (conv == 'C' || wide) && !narrow ? ArgKind::WideChar : ArgKind::Int32;
        out.printf += out.kind == ArgKind::WideChar ? 's' : 'c';
        break;
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        out.kind = ArgKind::Double;
        out.printf += conv;
        break;
    case 'p':
        out.kind = ArgKind::Pointer;
        out.printf += 'p';
        break;
    case 'S':
        out.kind = narrow ? ArgKind::NarrowString : ArgKind::WideString;
        out.printf += 's';
        break;
    default: // 's' and anything unknown
        out.kind = wide && !narrow ? ArgKind::WideString : ArgKind::NarrowString;
        out.printf += 's';
        break;
    }
    return out;
}

// An argument as read from the caller: a machine word, or a double.
struct Value {
    std::uintptr_t word = 0;
    double real = 0;
};

struct Insert {
    size_t start = 0, end = 0; // the insert's text, from '%' to past the closing '!'
    int number = 0;
    Spec spec;
};

// Finds the insert beginning at text[i] == '%' followed by a digit.
Insert readInsert(const std::string& text, size_t i) {
    Insert ins;
    ins.start = i;
    size_t j = i + 1;
    ins.number = text[j++] - '0';
    if (j < text.size() && text[j] >= '0' && text[j] <= '9')
        ins.number = ins.number * 10 + (text[j++] - '0');
    std::string spec = "s";
    if (j < text.size() && text[j] == '!') {
        size_t close = text.find('!', j + 1);
        if (close != std::string::npos) {
            spec = text.substr(j + 1, close - j - 1);
            j = close + 1;
        }
    }
    ins.spec = parseSpec(spec);
    ins.end = j;
    return ins;
}

std::string wideToAnsi(const WCHAR* wide) {
    if (!wide) return "(null)";
    std::u16string w;
    while (*wide)
        w.push_back(static_cast<char16_t>(*wide++));
    return Utf16ToAnsi(w);
}

std::string formatValue(const Spec& spec, const std::vector<int>& stars, const Value& v) {
    std::string fmt = spec.printf;
    auto run = [&](auto arg) {
        int n = 0;
        if (stars.size() == 2)
            n = std::snprintf(nullptr, 0, fmt.c_str(), stars[0], stars[1], arg);
        else if (stars.size() == 1)
            n = std::snprintf(nullptr, 0, fmt.c_str(), stars[0], arg);
        else
            n = std::snprintf(nullptr, 0, fmt.c_str(), arg);
        if (n < 0) return std::string();
        std::string out(static_cast<size_t>(n) + 1, '\0');
        if (stars.size() == 2)
            std::snprintf(out.data(), out.size(), fmt.c_str(), stars[0], stars[1], arg);
        else if (stars.size() == 1)
            std::snprintf(out.data(), out.size(), fmt.c_str(), stars[0], arg);
        else
            std::snprintf(out.data(), out.size(), fmt.c_str(), arg);
        out.resize(static_cast<size_t>(n));
        return out;
    };
    switch (spec.kind) {
    case ArgKind::Int32:
        return run(static_cast<int>(static_cast<std::uint32_t>(v.word)));
    case ArgKind::Int64:
        return run(static_cast<long long>(v.word));
    case ArgKind::IntPtr:
        return run(static_cast<size_t>(v.word));
    case ArgKind::Pointer:
        return run(reinterpret_cast<void*>(v.word));
    case ArgKind::Double:
        return run(v.real);
    case ArgKind::WideChar: {
        const WCHAR w[2] = {static_cast<WCHAR>(v.word), 0};
        std::string s = wideToAnsi(w);
        return run(s.c_str());
    }
    case ArgKind::WideString: {
        std::string s = wideToAnsi(reinterpret_cast<const WCHAR*>(v.word));
        return run(s.c_str());
    }
    case ArgKind::NarrowString:
    default: {
        const char* s = reinterpret_cast<const char*>(v.word);
        return run(s ? s : "(null)");
    }
    }
}

// Reads the arguments the text refers to: from a va_list in order (each argument read with
// the type of its first insert, unreferenced ones as machine words), or from an array of
// machine words.
std::vector<Value> readArguments(const std::string& text, va_list* args, bool isArray) {
    std::vector<ArgKind> kinds(100, ArgKind::Pointer);
    std::vector<bool> typed(100, false);
    int highest = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] < '1' || text[i + 1] > '9') {
            ++i; // an escape such as %% or %n
            continue;
        }
        Insert ins = readInsert(text, i);
        int n = ins.number;
        for (int s = 0; s < ins.spec.stars && n < 100; ++s, ++n)
            if (!typed[n]) kinds[n] = ArgKind::Int32, typed[n] = true;
        if (n < 100 && !typed[n]) kinds[n] = ins.spec.kind, typed[n] = true;
        highest = std::max(highest, std::min(n, 99));
        i = ins.end - 1;
    }
    std::vector<Value> values(static_cast<size_t>(highest) + 1);
    if (!args) return values;
    if (isArray) {
        const auto* array = reinterpret_cast<const std::uintptr_t*>(args);
        for (int n = 1; n <= highest; ++n) {
            values[n].word = array[n - 1];
            if (kinds[n] == ArgKind::Double) std::memcpy(&values[n].real, &array[n - 1], 8);
        }
        return values;
    }
    for (int n = 1; n <= highest; ++n) {
        switch (kinds[n]) {
        case ArgKind::Int32:
        case ArgKind::WideChar:
            values[n].word = static_cast<std::uint32_t>(va_arg(*args, int));
            break;
        case ArgKind::Int64:
            values[n].word = static_cast<std::uintptr_t>(va_arg(*args, long long));
            break;
        case ArgKind::Double:
            values[n].real = va_arg(*args, double);
            break;
        default:
            values[n].word = reinterpret_cast<std::uintptr_t>(va_arg(*args, void*));
            break;
        }
    }
    return values;
}

// Expands escapes and inserts. width: 0 keeps the text's own line breaks; otherwise the
// text's line breaks become blanks, and lines are wrapped at width unless it is 0xFF.
std::string expand(const std::string& text, va_list* args, bool isArray, bool ignoreInserts,
                   unsigned width) {
    std::vector<Value> values;
    if (!ignoreInserts) values = readArguments(text, args, isArray);
    std::string out;
    bool ended = false; // by %0, which still leaves the wrapping below to do
    for (size_t i = 0; i < text.size() && !ended; ++i) {
        const char c = text[i];
        if (c != '%') {
            if (width && (c == '\r' || c == '\n')) {
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += ' ';
            } else {
                out += c;
            }
            continue;
        }
        if (i + 1 >= text.size()) break; // a lone '%' at the end
        const char next = text[i + 1];
        if (next >= '1' && next <= '9') {
            Insert ins = readInsert(text, i);
            if (ignoreInserts || !args) {
                out.append(text, ins.start, ins.end - ins.start);
            } else {
                std::vector<int> stars;
                int n = ins.number;
                for (int s = 0; s < ins.spec.stars; ++s, ++n)
                    stars.push_back(
                        n < static_cast<int>(values.size()) ? static_cast<int>(values[n].word) : 0);
                if (n < static_cast<int>(values.size()))
                    out += formatValue(ins.spec, stars, values[n]);
            }
            i = ins.end - 1;
            continue;
        }
        ++i;
        switch (next) {
        case '0':
            ended = true; // the end of the message, without a line break
            break;
        case 'n':
            out += "\r\n";
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            out += next;
            break; // %% %. %! and "% "
        }
    }
    if (width && width != 0xFF) {
        // Wrap at blanks so that no line is longer than width (a longer word is cut).
        std::string wrapped;
        size_t lineStart = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            wrapped += out[i];
            if (out[i] == '\n') lineStart = wrapped.size();
            if (wrapped.size() - lineStart > width) {
                size_t blank = wrapped.rfind(' ', wrapped.size() - 1);
                if (blank != std::string::npos && blank >= lineStart) {
                    wrapped.replace(blank, 1, "\r\n");
                    lineStart = blank + 2;
                } else {
                    wrapped.insert(wrapped.size() - 1, "\r\n");
                    lineStart = wrapped.size() - 1;
                }
            }
        }
        out = wrapped;
    }
    return out;
}

bool hasInserts(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] >= '1' && text[i + 1] <= '9') return true;
        ++i;
    }
    return false;
}

bool isEnglishOrNeutral(DWORD languageId) {
    const DWORD primary = languageId & 0x3FF;
    return primary == 0 || primary == 9;
}

} // namespace

HMODULE NetworkMessageModule() {
    static const char tag = 0; // its address is the handle: unique, never a loaded module
    return reinterpret_cast<HMODULE>(const_cast<char*>(&tag));
}

std::string SystemErrorText(DWORD code) {
    const char* text = systemText(code);
    return text ? text : "";
}

std::string ExpandMessageInserts(const char* text, va_list* args, bool ignoreInserts) {
    return expand(text ? text : "", args, false, ignoreInserts, 0);
}

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, va_list* args) {
    std::string text;
    if (flags & FORMAT_MESSAGE_FROM_STRING) {
        if (!source) {
            SetLastError(kErrorInvalidParameter);
            return 0;
        }
        text = static_cast<const char*>(source);
    } else {
        const bool fromModule = (flags & FORMAT_MESSAGE_FROM_HMODULE) != 0;
        const bool fromSystem = (flags & FORMAT_MESSAGE_FROM_SYSTEM) != 0;
        if (!fromModule && !fromSystem) {
            SetLastError(kErrorInvalidParameter);
            return 0;
        }
        if (!isEnglishOrNeutral(languageId)) {
            SetLastError(kErrorResourceLangNotFound);
            return 0;
        }
        const char* found = nullptr;
        if (fromModule && source == NetworkMessageModule())
            found = lookUp(kNetworkMessages, messageId);
        // A null module means the system's own texts.
        if (!found && (fromSystem || (fromModule && !source))) found = systemText(messageId);
        if (!found) {
            SetLastError(kErrorMessageNotFound);
            return 0;
        }
        text = found;
    }
    const bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
    if (!ignoreInserts && !args && hasInserts(text)) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    const std::string out = expand(text, args, (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0,
                                   ignoreInserts, flags & FORMAT_MESSAGE_MAX_WIDTH_MASK);
    if (!buffer) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char** target = reinterpret_cast<char**>(buffer);
        *target = nullptr;
        if (out.empty()) return 0;
        auto* memory =
            static_cast<char*>(LocalAlloc(GMEM_ZEROINIT, std::max<size_t>(out.size() + 1, size)));
        if (!memory) return 0;
        std::memcpy(memory, out.c_str(), out.size() + 1);
        *target = memory;
        return static_cast<DWORD>(out.size());
    }
    if (out.size() + 1 > size) {
        SetLastError(kErrorInsufficientBuffer);
        return 0;
    }
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return static_cast<DWORD>(out.size());
}

} // namespace tessaly::platform
