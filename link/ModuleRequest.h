// The request layer every command speaks to the board through: building a
// request, awaiting its reply, and the three failure texts of an exchange.
#ifndef LINK_MODULEREQUEST_H
#define LINK_MODULEREQUEST_H

#include "link/ORBA_Support.h"

#include <cstdint>

// ------------------------------------------------------------------ building

// A record for the port and device command holding the bytes; zero past
// them. False (and an empty record) for a count the record cannot hold.
bool BuildPacket(ModulePacket* packet, uint8_t port, uint8_t deviceCommand, const uint8_t* bytes,
                 int count);

// A port-6 data record: the letter, the sub-command, then the arguments.
bool BuildModuleRequest(ModulePacket* packet, char letter, char subCommand, const uint8_t* arguments,
                        int argumentCount);

// A port-6 data record holding the bytes (at most 60, more are cut). False
// (and an empty record) when there are no bytes to hold.
bool BuildModuleDataPacket(ModulePacket* packet, const uint8_t* bytes, int count);

// What SendPacket and WriteModuleRequest give for a record they cannot
// build; nothing is sent.
enum { PACKET_NOT_BUILT = 618 };

// Builds the record for any port and sends it; 0, PACKET_NOT_BUILT or the
// link's failure code.
int SendPacket(uint8_t port, uint8_t deviceCommand, const uint8_t* bytes, int count);

// Builds the port-6 record from text and sends it; 0, PACKET_NOT_BUILT or
// the link's failure code.
int WriteModuleRequest(const char* text, int count);

// Builds and sends a port-6 request without awaiting an answer; 0, or
// EXCHANGE_SEND_FAILED when it did not go out.
int SendModuleRequest(char letter, char subCommand, const uint8_t* arguments, int argumentCount);

// ------------------------------------------------------------------ awaiting

enum {
    EXCHANGE_OK = 0,
    EXCHANGE_SEND_FAILED = 11,  // the request did not go out
    EXCHANGE_NO_REPLY = 10,     // a wait ended empty
    EXCHANGE_TOO_MANY = 12,     // the 100th packet came before the reply
};

// Packets taken while awaiting one reply; the last is not looked at.
enum { MAX_PACKETS_PER_REPLY = 100 };

// Which packet is the reply, and how long each read waits.
struct ReplyRule {
    uint8_t letter;      // the reply's first data byte
    uint8_t subCommand;  // and its second
    // When set, decides instead of the two bytes.
    bool (*accepts)(const ModulePacket& packet);
    int waitCount;     // per read, in 100 ms steps
    unsigned pauseMs;  // before every read; 0 for none
};

// The rule for the reply that echoes a request: the letter in lower case and
// the sub-command.
ReplyRule EchoOf(char letter, char subCommand, int waitCount);

// Takes packets until the rule's reply; other packets are dropped. 0 with the
// reply in *reply, EXCHANGE_NO_REPLY after an empty wait, EXCHANGE_TOO_MANY
// with the 100th packet in *reply.
int AwaitReply(const ReplyRule& rule, ModulePacket* reply);

// Sees every read of a wait that an empty read does not end.
struct ReadWatcher {
    void (*onRead)(const ModulePacket& packet, bool empty, void* context);
    void* context;
};

// AwaitReply where an empty wait counts as one more packet (an empty record)
// instead of ending the wait. 0 or EXCHANGE_TOO_MANY.
int AwaitReplyThroughEmptyWaits(const ReplyRule& rule, const ReadWatcher& watcher, ModulePacket* reply);

// Sends the request to port 6 and awaits the reply that echoes it: 0 with
// the reply in *reply, or the step that failed (11, 10, 12).
int StandardExchange(char letter, char subCommand, const uint8_t* arguments, int argumentCount,
                     int waitCount, ModulePacket* reply);

// ------------------------------------------------------------------ failures

// What a command shows for each failed step of an exchange.
struct RequestFailureTexts {
    const char* notSent;  // ERROR 11
    const char* noReply;  // ERROR 10
    const char* tooMany;  // ERROR 12
};

// Shows the text of a failed exchange result (11, 10 or 12); nothing for 0.
void ShowRequestFailure(int result, const RequestFailureTexts& texts);

// The result codes a command returns for each failed step.
struct RequestFailureCodes {
    int notSent;
    int noReply;
    int tooMany;
};

// Shows the failure's text; its code, or 0 for a result of 0.
int ReportRequestFailure(int result, const RequestFailureTexts& texts, const RequestFailureCodes& codes);

// StandardExchange that shows its failure; the same result.
int ShownExchange(char letter, char subCommand, const uint8_t* arguments, int argumentCount,
                  int waitCount, const RequestFailureTexts& texts, ModulePacket* reply);

// ------------------------------------------------------------------ replies

// The data bytes of a record as a value, most significant byte first.
uint16_t ModuleDataWord(const ModulePacket* packet, int first);
uint32_t ModuleDataLong(const ModulePacket* packet, int first);

#endif
