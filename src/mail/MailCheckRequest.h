#pragma once

#include "Pop3Client.h"

#include <QString>
#include <atomic>

class MailCheck;

// What one mail-check worker needs, copied before it starts: nothing is shared with the user
// interface thread but the receiver of the result and the abort flag, both of which outlive
// the worker (MailCheck waits for its workers before it goes).
struct MailCheckRequest
{
    QString server;
    QString user;
    QString password;
    MailCheck* frame = nullptr;
    const std::atomic<bool>* abort = nullptr;
    int connectTimeout = Pop3Client::DefaultConnectTimeout;
    int replyTimeout = Pop3Client::DefaultReplyTimeout;
};

// The worker's body: owns and frees the request, logs in, asks STAT, hands the result to the
// frame and waits until the frame has handled it, then RSET and QUIT. Returns 0.
int MailCheckThreadProc(MailCheckRequest* request);
