#include "http/HttpPost.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <memory>
#include <optional>

#include "messages/Clock.h"
#include "messages/MessagePump.h"
#include "seams/Seams.h"

namespace Platform {

int32_t HttpPost(const std::string& host, const std::string& path, const std::string& body,
                 int32_t timeoutMs) {
    std::optional<std::string> destination = Seams::guardedDestination(host);
    if (!destination)
        return 0;
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QString::fromStdString(*destination));
    url.setPort(Seams::httpPort());
    url.setPath(QString::fromLatin1(path.data(), static_cast<qsizetype>(path.size())));
    if (!url.isValid())
        return 0;

    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(timeoutMs);
    std::unique_ptr<QNetworkReply> reply(
        manager.post(request, QByteArray(body.data(), static_cast<qsizetype>(body.size()))));

    // The transfer time-out ends a stalled request; the deadline also bounds
    // the time spent connecting.
    const int64_t deadline = MillisecondClock() + timeoutMs;
    while (!reply->isFinished()) {
        int64_t left = deadline - MillisecondClock();
        if (left <= 0) {
            reply->abort();
            break;
        }
        WaitForEvents(static_cast<int32_t>(left));
    }
    // No status when no answer came.
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace Platform
