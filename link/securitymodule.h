// The module link core: the one road to the board. Writes are synchronous on
// the caller's thread; a reader thread queues what the board sends, and
// callers take it in arrival order with a bounded wait.
#ifndef LINK_SECURITYMODULE_H
#define LINK_SECURITYMODULE_H

#include "link/ORBA_Support.h"

// Starts the reader thread and opens the transport; 0 or 201.
int InitializeSecurityModule();
// Closes the transport (the reader thread is left running); 0 or 242.
int CloseSecurityModule();
// 0, or the transport's failure code.
int WritePacketToSecurityModule(const ModulePacket* packet);
// Takes the oldest received packet, polling waitCount times 100 ms apart;
// false (and an all-zero record) when none came.
bool ReadPacketFromSecurityModule(ModulePacket* packet, int waitCount);
// Builds and sends a port-control packet; 0 or 531, 571, 578, 584, 590,
// 596, 602, 613, 623, or 617 for a text the record cannot hold.
int FormatAndSendDataToSecurityModule(int DA, int DC, const char* text);
// Drops every packet already waiting (wait count 10 until a read is empty).
void FlushReceivedPackets();

// The fast link: reads take each packet the moment the reader queues it
// instead of at their next 100 ms poll, and still give up waitCount x 100 ms
// after the call, with the same traces. Off unless switched on. Should a wait
// for the reader fail, the failure is shown once and reads poll from then on.
void SetFastLink(bool on);
bool FastLinkOn();

// Internal to the link, visible for tests.
unsigned SerialPortReaderThread(void* unused);

#endif
