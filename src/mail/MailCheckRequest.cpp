#include "MailCheckRequest.h"

#include "MailCheck.h"
#include "resource.h"

#include <memory>

int MailCheckThreadProc(MailCheckRequest* request)
{
    const std::unique_ptr<MailCheckRequest> req(request);
    Pop3Client client(req->connectTimeout, req->replyTimeout);
    client.setAbortFlag(req->abort);

    int result = ID_MAILCHECK_NOCONNECT;
    int value = 0;
    if (client.Login(req->server, req->user, req->password)) {
        if (client.Stat()) {
            result = ID_MAILCHECK_COUNT;
            value = client.GetMessageCount();
        } else {
            result = ID_MAILCHECK_FAILED;
        }
    }

    const bool aborted = req->abort && req->abort->load();
    if (!aborted) {
        MailCheck* frame = req->frame;
        QMetaObject::invokeMethod(
            frame, [frame, result, value] { frame->OnMailCheckResult(result, value); },
            Qt::BlockingQueuedConnection);
    }

    client.Reset();
    client.Quit();
    return 0;
}
