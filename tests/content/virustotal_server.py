"""A stand-in for the VirusTotal files endpoint over HTTPS on loopback.

Arguments: certificate, key, answers (JSON: hash -> [status, body]), request log.
Prints its port once listening. Each request is logged as "<path> <x-apikey>" before the answer;
a hash without an answer gets 404.
"""
import http.server
import json
import ssl
import sys

certificate, key, answers_path, log_path = sys.argv[1:5]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(log_path, "a", encoding="utf-8") as log:
            log.write(f"{self.path} {self.headers.get('x-apikey', '')}\n")
        with open(answers_path, encoding="utf-8") as answers:
            status, body = json.load(answers).get(self.path.rsplit("/", 1)[-1], [404, '{"error": {}}'])
        payload = body.encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        self.wfile.write(payload)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(certificate, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
