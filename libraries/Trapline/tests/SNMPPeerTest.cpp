// The SNMP control against net-snmp: snmpd as the agent we ask, snmpget,
// snmpgetnext and snmptrap as the managers we answer, snmptrapd as the trap
// listener. Each test starts its own programs on 127.0.0.x and stops them.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "EveryType.h"
#include "LoopbackSocket.h"
#include "Trapline/SNMP.h"
#include "messages/MessagePump.h"

namespace Trapline {
namespace {

using Platform::Automation::EventConnection;
using Platform::Automation::New;
using Platform::Automation::Ref;

const char* const IfDescr = "1.3.6.1.2.1.2.2.1.2.1";
const char* const ReverseTelnet = "1.3.6.1.4.1.1963.20.5.2.3.2.18.0";

using Platform::Sockets::Testing::freePort;
using Platform::Sockets::Testing::LoopbackSocket;

// net-snmp's programs with a configuration of their own: no system
// configuration, no MIBs, persistent files in a temporary folder.
class NetSnmp {
public:
    NetSnmp() {
        environment_.insert("SNMPCONFPATH", dir_.path());
        environment_.insert("SNMP_PERSISTENT_DIR", dir_.path() + "/persist");
        environment_.insert("MIBS", "");
        environment_.insert("MIBDIRS", dir_.path());
    }
    ~NetSnmp() {
        for (auto& process : daemons_) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    std::string file(const std::string& name, const std::string& text) {
        std::string path = dir_.path().toStdString() + "/" + name;
        FILE* f = std::fopen(path.c_str(), "w");
        std::fputs(text.c_str(), f);
        std::fclose(f);
        return path;
    }

    // Starts a daemon and waits until it says it runs.
    QProcess& daemon(const QString& program, const QStringList& arguments) {
        daemons_.push_back(std::make_unique<QProcess>());
        QProcess& process = *daemons_.back();
        process.setProcessEnvironment(environment_);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        // A loaded machine may take seconds to start it: the bound only ends a hang.
        QByteArray output;
        Platform::WaitUntil(
            [&] {
                output += process.readAll();
                return output.contains("NET-SNMP version") || process.state() == QProcess::NotRunning;
            },
            60000);
        EXPECT_TRUE(output.contains("NET-SNMP version")) << output.toStdString();
        return process;
    }

    // Starts a client; the test pumps while it runs.
    std::unique_ptr<QProcess> client(const QString& program, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment_);
        process->start(program, arguments);
        EXPECT_TRUE(process->waitForStarted(3000));
        return process;
    }

    static std::string finish(QProcess& process) {
        Platform::WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
        return (process.readAllStandardOutput() + process.readAllStandardError()).toStdString();
    }

private:
    QTemporaryDir dir_;
    QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> daemons_;
};

// The datagram that a -d dump shows after the line starting with `heading`.
std::string dumped(const std::string& dump, const std::string& heading, std::size_t occurrence = 0) {
    std::size_t at = 0;
    for (std::size_t i = 0; i <= occurrence; ++i) {
        at = dump.find(heading, i ? at + 1 : 0);
        if (at == std::string::npos)
            return {};
    }
    std::size_t length = std::stoul(dump.substr(at + heading.size()));
    std::string bytes;
    std::size_t line = dump.find('\n', at) + 1;
    while (bytes.size() < length && line < dump.size() && dump.compare(line + 4, 2, ": ") == 0) {
        std::string hexArea = dump.substr(line + 6, 52);
        for (std::size_t i = 0; i + 1 < hexArea.size() && bytes.size() < length; ++i)
            if (std::isxdigit(static_cast<unsigned char>(hexArea[i])) &&
                std::isxdigit(static_cast<unsigned char>(hexArea[i + 1]))) {
                bytes += static_cast<char>(std::stoi(hexArea.substr(i, 2), nullptr, 16));
                ++i;
            }
        line = dump.find('\n', line) + 1;
    }
    return bytes;
}

struct Response {
    int32_t requestId = -1;
    int16_t errorStatus = -1;
};

class SNMPAgainstSnmpd : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = freePort("127.0.0.17");
        std::string config = net_.file("snmpd.conf", R"(rocommunity public 127.0.0.0/8
rwcommunity private 127.0.0.0/8
override 1.3.6.1.2.1.2.2.1.2.1 octet_str "Hublet K1 Ethernet"
override 1.3.6.1.4.1.1963.20.5.2.3.2.601.0 integer 9100
override 1.3.6.1.4.1.1963.20.10.5.3.0 octet_str "MCS 7.3"
override 1.3.6.1.4.1.1963.20.10.5.4.0 octet_str "RX400"
override 1.3.6.1.4.1.1963.20.5.2.3.10.901.0 octet_str "printer-1"
override -rw 1.3.6.1.4.1.1963.20.5.2.3.2.18.0 integer 1
override 1.3.6.1.4.1.1963.20.10.5.6.0 integer 3
override 1.3.6.1.4.1.1963.30.4.0 object_id 1.3.6.1.4.1.1963
)");
        net_.daemon("snmpd", {"-f", "-Lo", "-C", "-c", QString::fromStdString(config), "-I",
                              "-ifTable,interfaces,ifXTable", QString("udp:127.0.0.17:%1").arg(port_)});
        control_->setRemoteHost("127.0.0.17");
        control_->setRemotePort(port_);
        connection_ = control_->GetResponse.connect(
            [this](int32_t id, std::string, int16_t status, int16_t, std::string, int32_t) {
                response_ = {id, status};
            });
    }

    bool ask(int32_t action, std::initializer_list<const char*> ids) {
        control_->setObjCount(static_cast<int16_t>(ids.size()));
        int16_t i = 1;
        for (const char* id : ids)
            control_->setObjId(i++, id);
        response_ = {};
        const int32_t id = control_->RequestId();
        control_->setAction(action);
        return Platform::WaitUntil([&] { return response_.requestId == id; }, 3000);
    }

    NetSnmp net_;
    int32_t port_ = 0;
    Ref<SNMP> control_ = New<SNMP>();
    EventConnection connection_;
    Response response_;
};

TEST_F(SNMPAgainstSnmpd, GetsTheSevenObjectsOfAPrintServer) {
    control_->setCommunity("public");
    control_->setRequestId(1000);
    ASSERT_TRUE(
        ask(a_SendGetRequest, {IfDescr, "1.3.6.1.4.1.1963.20.5.2.3.2.601.0", "1.3.6.1.4.1.1963.20.10.5.3.0",
                               "1.3.6.1.4.1.1963.20.10.5.4.0", "1.3.6.1.4.1.1963.20.5.2.3.10.901.0",
                               ReverseTelnet, "1.3.6.1.4.1.1963.20.10.5.6.0"}));
    EXPECT_EQ(response_.errorStatus, 0);
    const std::pair<int32_t, std::string> expected[] = {{ot_OctetString, "Hublet K1 Ethernet"},
                                                        {ot_Integer, "9100"},
                                                        {ot_OctetString, "MCS 7.3"},
                                                        {ot_OctetString, "RX400"},
                                                        {ot_OctetString, "printer-1"},
                                                        {ot_Integer, "1"},
                                                        {ot_Integer, "3"}};
    ASSERT_EQ(control_->ObjCount(), 7);
    for (int16_t i = 1; i <= 7; ++i) {
        EXPECT_EQ(control_->ObjType(i), expected[i - 1].first) << i;
        EXPECT_EQ(control_->ObjValue(i), expected[i - 1].second) << i;
    }
}

TEST_F(SNMPAgainstSnmpd, SetIsReadBackBySnmpget) {
    control_->setCommunity("private");
    control_->setObjCount(1);
    control_->setObjId(1, ReverseTelnet);
    control_->setObjType(1, ot_Integer);
    control_->setObjValue(1, "0");
    response_ = {};
    control_->setAction(a_SendSetRequest);
    ASSERT_TRUE(Platform::WaitUntil([&] { return response_.requestId == 0; }, 3000));
    EXPECT_EQ(response_.errorStatus, 0);
    auto get = net_.client(
        "snmpget", {"-v1", "-c", "public", "-Oqv", QString("127.0.0.17:%1").arg(port_), ReverseTelnet});
    EXPECT_EQ(NetSnmp::finish(*get), "0\n");
}

// Requests and responses under 128 bytes of these types are written as
// net-snmp writes them.
TEST_F(SNMPAgainstSnmpd, EncodesAsNetSnmpDoes) {
    const std::vector<const char*> ids = {IfDescr, ReverseTelnet, "1.3.6.1.4.1.1963.30.4.0",
                                          "1.3.6.1.4.1.1963.30.9.0"};
    for (const char* tool : {"snmpget", "snmpgetnext"}) {
        QStringList arguments = {"-v1", "-c", "public", "-d", "-r", "0", QString("127.0.0.17:%1").arg(port_)};
        for (const char* id : ids)
            arguments << id;
        auto run = net_.client(tool, arguments);
        const std::string dump = NetSnmp::finish(*run);
        const std::string request = dumped(dump, "Sending ");
        const std::string response = dumped(dump, "Received ");
        ASSERT_FALSE(request.empty()) << dump;
        ASSERT_FALSE(response.empty()) << dump;
        ASSERT_LT(response.size(), 128u);

        LoopbackSocket listener;
        auto ours = New<SNMP>();
        ours->setRemoteHost("127.0.0.1");
        ours->setRemotePort(listener.port());
        ours->setCommunity("public");
        const DecodedMessage asked = SnmpMessage::decode(request);
        ours->setRequestId(asked.message.requestId);
        ours->setObjCount(static_cast<int16_t>(ids.size()));
        // Only a get request makes the values NULL by itself.
        for (int16_t i = 1; i <= ours->ObjCount(); ++i) {
            ours->setObjId(i, ids[std::size_t(i - 1)]);
            ours->setObjType(i, ot_Null);
        }
        ours->setAction(std::string(tool) == "snmpget" ? a_SendGetRequest : a_SendGetNextRequest);
        EXPECT_EQ(listener.receive(), request) << tool;

        // snmpd's answer, built again from what it carries.
        const DecodedMessage answered = SnmpMessage::decode(response);
        ASSERT_EQ(answered.code, 0);
        ours->setRequestId(answered.message.requestId);
        ours->setErrorStatus(static_cast<int16_t>(answered.message.errorStatus));
        ours->setErrorIndex(static_cast<int16_t>(answered.message.errorIndex));
        ours->setObjCount(static_cast<int16_t>(answered.message.bindings.size()));
        for (int16_t i = 1; i <= ours->ObjCount(); ++i) {
            const VarBind& binding = answered.message.bindings[std::size_t(i - 1)];
            ours->setObjId(i, binding.id);
            ours->setObjType(i, binding.type);
            ours->setObjValue(i, binding.value);
        }
        ours->setAction(a_SendGetResponse);
        EXPECT_EQ(listener.receive(), response) << tool;
    }
}

class SNMPAsAgent : public ::testing::Test {
protected:
    void SetUp() override {
        control_->setActive(true);
        connections_.push_back(control_->GetRequest.connect(
            [this](int32_t id, std::string community, std::string source, int32_t port) {
                request_ = {id, community, source, port};
            }));
        connections_.push_back(control_->Trap.connect(
            [this](std::string community, std::string enterprise, std::string agent, int16_t generic,
                   int32_t specific, int64_t timeStamp, std::string source, int32_t) {
                trap_ = community + " " + enterprise + " " + agent + " " + std::to_string(generic) + " " +
                        std::to_string(specific) + " " + std::to_string(timeStamp) + " " + source;
            }));
    }

    struct Request {
        int32_t id = -1;
        std::string community;
        std::string source;
        int32_t port = 0;
    };

    NetSnmp net_;
    Ref<SNMP> control_ = New<SNMP>();
    std::vector<EventConnection> connections_;
    Request request_;
    std::string trap_;
};

TEST_F(SNMPAsAgent, AnswersSnmpgetWithEveryType) {
    QStringList arguments = {
        "-v1", "-c", "community", "-d", "-On",
        "-r",  "0",  "-t",        "5",  QString("127.0.0.1:%1").arg(control_->LocalPort())};
    for (int i = 1; i <= 10; ++i)
        arguments << QString("1.3.6.1.4.1.1963.40.%1.0").arg(i);
    auto get = net_.client("snmpget", arguments);
    ASSERT_TRUE(Platform::WaitUntil([&] { return request_.id != -1; }, 5000));
    EXPECT_EQ(request_.community, "community");
    EXPECT_EQ(request_.source, "127.0.0.1");
    EXPECT_GT(request_.port, 0);
    ASSERT_EQ(control_->ObjCount(), 10);
    EXPECT_EQ(control_->ObjType(1), ot_Null);

    Testing::setEveryType(*control_);
    control_->setCommunity("community");
    control_->setRequestId(request_.id);
    control_->setRemoteHost(request_.source);
    control_->setRemotePort(request_.port);
    control_->setAction(a_SendGetResponse);
    const std::string output = NetSnmp::finish(*get);
    EXPECT_EQ(SnmpMessage::decode(dumped(output, "Sending ")).message.requestId, request_.id);
    for (const char* line :
         {".1.3.6.1.4.1.1963.40.1.0 = INTEGER: -5", ".1.3.6.1.4.1.1963.40.2.0 = STRING: \"Hublet\"",
          ".1.3.6.1.4.1.1963.40.3.0 = NULL", ".1.3.6.1.4.1.1963.40.4.0 = OID: .1.3.6.1.4.1.1963",
          ".1.3.6.1.4.1.1963.40.5.0 = IpAddress: 127.0.0.9",
          ".1.3.6.1.4.1.1963.40.6.0 = Counter32: 4294967295", ".1.3.6.1.4.1.1963.40.7.0 = Gauge32: 7",
          ".1.3.6.1.4.1.1963.40.8.0 = Timeticks: (3000000000) 347 days, 5:20:00.00",
          ".1.3.6.1.4.1.1963.40.9.0 = Counter64: 18446744073709551615", ".1.3.6.1.4.1.1963.40.10.0 = 1\n"})
        EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
}

TEST_F(SNMPAsAgent, ReadsTrapsOfSnmptrap) {
    for (const char* uptime : {"12345", "3000000000"}) {
        trap_.clear();
        auto trap =
            net_.client("snmptrap", {"-v1", "-c", "public",
                                     QString("127.0.0.1:%1").arg(control_->LocalPort()), "1.3.6.1.4.1.1963",
                                     "127.0.0.2", "6", "17", uptime, "1.3.6.1.2.1.1.5.0", "s", "printer-1"});
        ASSERT_TRUE(Platform::WaitUntil([&] { return !trap_.empty(); }, 5000));
        EXPECT_EQ(trap_, std::string("public 1.3.6.1.4.1.1963 127.0.0.2 6 17 ") + uptime + " 127.0.0.1");
        ASSERT_EQ(control_->ObjCount(), 1);
        EXPECT_EQ(control_->ObjId(1), "1.3.6.1.2.1.1.5.0");
        EXPECT_EQ(control_->ObjValue(1), "printer-1");
        NetSnmp::finish(*trap);
    }
}

TEST_F(SNMPAsAgent, SnmptrapdLogsOurTrap) {
    const int32_t port = freePort("127.0.0.18");
    std::string config = net_.file("snmptrapd.conf", "disableAuthorization yes\n");
    QProcess& trapd = net_.daemon("snmptrapd", {"-f", "-Lo", "-C", "-c", QString::fromStdString(config), "-n",
                                                QString("udp:127.0.0.18:%1").arg(port)});
    control_->setCommunity("public");
    control_->setRemoteHost("127.0.0.18");
    control_->setRemotePort(port);
    control_->setTrapEnterprise("1.3.6.1.4.1.1963");
    control_->setTrapAgentAddress("127.0.0.2");
    control_->setTrapGenericType(tgt_EnterpriseSpecific);
    control_->setTrapSpecificType(17);
    control_->setTrapTimeStamp(12345);
    control_->setObjCount(1);
    control_->setObjId(1, "1.3.6.1.2.1.1.5.0");
    control_->setObjType(1, ot_OctetString);
    control_->setObjValue(1, "printer-1");
    control_->setAction(a_SendTrap);
    QByteArray log;
    Platform::WaitUntil(
        [&] {
            log += trapd.readAll();
            return log.contains("printer-1");
        },
        5000);
    const std::string text = log.toStdString();
    for (const char* part : {"[127.0.0.2] (via UDP: [127.0.0.1]", "TRAP, SNMP v1, community public",
                             "iso.3.6.1.4.1.1963 Enterprise Specific Trap (17) Uptime: 0:02:03.45",
                             "iso.3.6.1.2.1.1.5.0 = STRING: \"printer-1\""})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

} // namespace
} // namespace Trapline
