#!/usr/bin/env python3
"""A WS-Discovery peer for the tests: answers Probes for each of its devices with a
ProbeMatch that carries XAddrs (as Windows does), then serves each device's metadata
over HTTP the way its mode says:

  good       a proper answer naming PEERGOOD of domain VELLOX
  silent     accepts the connection and never answers
  huge       a valid answer padded beyond what a client should read, no Content-Length
  endless    a chunked body that never ends
  malformed  broken XML

  wsd_peer.py ADDRESS MODE...

Prints "ready" once it listens, and "probe MESSAGE-ID" for every Probe it receives.
"""
import socket
import struct
import sys
import threading
import time
import uuid
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

NS = {
    "soap": "http://www.w3.org/2003/05/soap-envelope",
    "wsa": "http://schemas.xmlsoap.org/ws/2004/08/addressing",
    "wsd": "http://schemas.xmlsoap.org/ws/2005/04/discovery",
}
GROUP, PORT = "239.255.255.250", 3702
NAMES = {"good": "PEERGOOD/Domain:VELLOX", "silent": "PEERSILENT/Workgroup:PEERS",
         "huge": "PEERHUGE/Workgroup:PEERS", "endless": "PEERENDLESS/Workgroup:PEERS",
         "malformed": "PEERBROKEN/Workgroup:PEERS"}
ENVELOPE = ('<?xml version="1.0" encoding="utf-8"?>'
            '<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope"'
            ' xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing"'
            ' xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery"'
            ' xmlns:wsx="http://schemas.xmlsoap.org/ws/2004/09/mex"'
            ' xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof"'
            ' xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07">'
            '<soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>'
            '<wsa:Action>{action}</wsa:Action><wsa:MessageID>{id}</wsa:MessageID>'
            '<wsa:RelatesTo>{relates}</wsa:RelatesTo></soap:Header><soap:Body>{body}</soap:Body></soap:Envelope>')


def say(line):
    print(line, flush=True)


class Device:
    def __init__(self, address, mode):
        self.mode = mode
        self.endpoint = uuid.uuid4().urn
        self.server = ThreadingHTTPServer((address, 0), self.handler())
        self.server.daemon_threads = True
        port = self.server.server_address[1]
        # An unreachable address first: the client must take the one it was answered from.
        self.xaddrs = "http://192.0.2.99:{0}/{1} http://{2}:{0}/{1}".format(port, self.endpoint[9:], address)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def metadata(self, relates, padding=""):
        body = ('<wsx:Metadata><wsx:MetadataSection Dialect="http://schemas.xmlsoap.org/ws/2006/02/devprof/Relationship">'
                '<wsdp:Relationship Type="http://schemas.xmlsoap.org/ws/2006/02/devprof/host"><wsdp:Host>'
                '<wsa:EndpointReference><wsa:Address>{0}</wsa:Address></wsa:EndpointReference>'
                '<wsdp:Types>pub:Computer</wsdp:Types><pub:Computer>{1}</pub:Computer>{2}'
                '</wsdp:Host></wsdp:Relationship></wsx:MetadataSection></wsx:Metadata>').format(
                    self.endpoint, NAMES[self.mode], padding)
        return ENVELOPE.format(action="http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse",
                               id=uuid.uuid4().urn, relates=relates, body=body).encode()

    def handler(self):
        device = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_POST(self):
                request = self.rfile.read(int(self.headers.get("Content-Length", "0")))
                relates = ET.fromstring(request).findtext("soap:Header/wsa:MessageID", "", NS)
                mode = device.mode
                if mode == "silent":
                    time.sleep(3600)
                    return
                self.send_response(200)
                self.send_header("Content-Type", "application/soap+xml")
                if mode == "good":
                    body = device.metadata(relates)
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body)
                elif mode == "malformed":
                    body = device.metadata(relates)[:-40]
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body)
                elif mode == "huge":
                    self.send_header("Connection", "close")
                    self.end_headers()
                    self.wfile.write(device.metadata(relates, " " * (300 * 1024)))
                elif mode == "endless":
                    self.send_header("Transfer-Encoding", "chunked")
                    self.end_headers()
                    head = device.metadata(relates)[:200]
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(head), head))
                    while True:
                        self.wfile.write(b"400\r\n" + b" " * 1024 + b"\r\n")
                        self.wfile.flush()
                        time.sleep(0.005)

        return Handler


def main():
    address, modes = sys.argv[1], sys.argv[2:]
    devices = [Device(address, mode) for mode in modes]
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    udp.bind(("", PORT))
    udp.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                   struct.pack("4s4s", socket.inet_aton(GROUP), socket.inet_aton(address)))
    say("ready")
    while True:
        data, sender = udp.recvfrom(65536)
        try:
            message = ET.fromstring(data)
        except ET.ParseError:
            continue
        action = message.findtext("soap:Header/wsa:Action", "", NS)
        if not action.endswith("/discovery/Probe"):
            continue
        probe = message.findtext("soap:Header/wsa:MessageID", "", NS)
        say("probe " + probe)
        for device in devices:
            body = ('<wsd:ProbeMatches><wsd:ProbeMatch><wsa:EndpointReference><wsa:Address>{0}</wsa:Address>'
                    '</wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types>'
                    '<wsd:XAddrs>{1}</wsd:XAddrs><wsd:MetadataVersion>1</wsd:MetadataVersion>'
                    '</wsd:ProbeMatch></wsd:ProbeMatches>').format(device.endpoint, device.xaddrs)
            answer = ENVELOPE.format(action="http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches",
                                     id=uuid.uuid4().urn, relates=probe, body=body)
            udp.sendto(answer.encode(), sender)


if __name__ == "__main__":
    main()
