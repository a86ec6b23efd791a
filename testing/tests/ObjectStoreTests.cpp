#include "testing/ObjectStore.h"
#include "testing/Process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fcntl.h>
#include <map>
#include <sstream>
#include <unistd.h>

using namespace qv::testing;

namespace {

// Talks to the store with a few raw requests of its own (Python's
// http.client, and a signature version 2 signer written here) and prints
// what it saw, one "name value" a line.
constexpr const char* probeScript = R"PY(
import base64, hashlib, hmac, http.client, sys, json
from email.utils import formatdate

port, user, key, access, secret = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5]

def request(method, path, headers={}, host=None):
    connection = http.client.HTTPConnection('127.0.0.1', port, timeout=30)
    if host:
        headers = dict(headers, Host=host)
    connection.request(method, path, headers=headers)
    reply = connection.getresponse()
    body = reply.read().decode('utf-8', 'replace')
    connection.close()
    return reply, body

def s3(method, bucket, secret_key, domain='s3.test'):
    date = formatdate(usegmt=True)
    resource = '/' + bucket + '/' if bucket else '/'
    signature = base64.b64encode(hmac.new(secret_key.encode(), ('%s\n\n\n%s\n%s' % (method, date, resource)).encode(),
                                          hashlib.sha1).digest()).decode()
    host = (bucket + '.' if bucket else '') + '%s:%d' % (domain, port)
    return request(method, '/', {'Date': date, 'Authorization': 'AWS %s:%s' % (access, signature)}, host)

def say(name, value):
    print(name, str(value).replace('\n', ' '), flush=True)

reply, _ = request('GET', '/auth/v1.0', {'X-Auth-User': user, 'X-Auth-Key': key})
token = reply.getheader('X-Auth-Token')
say('login', reply.status)
say('storage', reply.getheader('X-Storage-Url'))
say('refused-login', request('GET', '/auth/v1.0', {'X-Auth-User': user, 'X-Auth-Key': 'wrong'})[0].status)
say('create-container', request('PUT', '/v1/AUTH_test/box', {'X-Auth-Token': token})[0].status)
reply, body = request('GET', '/v1/AUTH_test?format=xml', {'X-Auth-Token': token})
say('list-containers', '%d %s' % (reply.status, '<name>box</name>' in body))
say('anonymous', request('GET', '/v1/AUTH_test', {})[0].status)
say('create-bucket', s3('PUT', 'pail', secret)[0].status)
reply, body = s3('GET', '', secret)
say('list-buckets', '%d %s %s' % (reply.status, '<Name>pail</Name>' in body, '<Name>box</Name>' in body))
reply, body = s3('GET', '', 'not the secret')
say('bad-signature', '%d %s' % (reply.status, '<Code>SignatureDoesNotMatch</Code>' in body))
reply, body = s3('GET', 'pail', secret, 'localhost')
say('list-bucket-on-localhost', '%d %s' % (reply.status, '<ListBucketResult' in body and '<Name>pail</Name>' in body))
say('max-meta-count', json.loads(request('GET', '/info')[1])['swift']['max_meta_count'])
)PY";

std::map<std::string, std::string> probe(const ObjectStore& store)
{
    ProcessResult result = runPython(probeScript, { std::to_string(store.port()), ObjectStore::user, ObjectStore::key,
        ObjectStore::s3AccessKey, ObjectStore::s3SecretKey });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    std::map<std::string, std::string> seen;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
        size_t space = line.find(' ');
        seen[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
    }
    return seen;
}

bool connects(int port)
{
    return runPython("import socket, sys\nsocket.create_connection(('127.0.0.1', int(sys.argv[1])), timeout=5).close()",
               { std::to_string(port) })
               .exitCode
        == 0;
}

// A process's arguments, or nothing when it ended meanwhile.
std::string commandLineOf(const std::filesystem::path& processFolder)
{
    std::string arguments;
    int descriptor = open((processFolder / "cmdline").c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return arguments;
    char buffer[4096];
    for (ssize_t length; (length = read(descriptor, buffer, sizeof buffer)) > 0;)
        arguments.append(buffer, length);
    close(descriptor);
    return arguments;
}

// Processes working in the store's folder or naming it: its servers.
std::vector<std::string> processesOf(const std::filesystem::path& folder)
{
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::filesystem::path workingFolder = std::filesystem::read_symlink(entry.path() / "cwd", error);
        std::string arguments = commandLineOf(entry.path());
        if (workingFolder == folder || arguments.find(folder.string()) != std::string::npos)
            found.push_back(entry.path().filename().string() + " " + arguments);
    }
    return found;
}

} // namespace

TEST(ObjectStore, StartsAnswersBothAPIsAndStops)
{
    ObjectStore store;
    ASSERT_TRUE(store.isRunning());
    std::filesystem::path folder = store.folder();
    EXPECT_FALSE(processesOf(folder).empty());

    std::map<std::string, std::string> seen = probe(store);
    EXPECT_EQ(seen["login"], "200");
    EXPECT_EQ(seen["storage"], store.storageURL());
    EXPECT_EQ(seen["refused-login"], "401");
    EXPECT_EQ(seen["create-container"], "201");
    EXPECT_EQ(seen["list-containers"], "200 True");
    EXPECT_EQ(seen["anonymous"], "401");
    EXPECT_EQ(seen["create-bucket"], "200");
    // A bucket is a container of the same account, seen by both APIs.
    EXPECT_EQ(seen["list-buckets"], "200 True True");
    EXPECT_EQ(seen["bad-signature"], "403 True");
    EXPECT_EQ(seen["list-bucket-on-localhost"], "200 True");
    // The store's own settings, not this machine's /etc/swift, are in force.
    EXPECT_EQ(seen["max-meta-count"], "91");
    if (HasFailure())
        ADD_FAILURE() << store.logs();

    int port = store.port();
    EXPECT_TRUE(store.stop());
    EXPECT_FALSE(store.isRunning());
    EXPECT_FALSE(connects(port));
    EXPECT_EQ(processesOf(folder), std::vector<std::string> {});
}
