"""A real FTP server for the tests: pyftpdlib on 127.0.0.1.

Writes the port it listens on to --port-file (through a rename, so a reader
never sees half a number) once it accepts connections, then serves until it
is terminated. Every command it receives goes to --log.
"""
import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--passive-ports", default="")
    parser.add_argument("--tls", choices=["none", "explicit", "implicit"], default="none")
    parser.add_argument("--cert", default="")
    parser.add_argument("--key", default="")
    parser.add_argument("--tls-min", choices=["1.2", "1.3"], default="1.2")
    args = parser.parse_args()

    logging.basicConfig(filename=args.log, level=logging.DEBUG,
                        format="%(message)s")

    base = FTPHandler
    if args.tls != "none":
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler

    class Handler(base):
        def handle(self):
            if args.tls == "implicit":
                # TLS from the first byte: the greeting goes out encrypted.
                self.secure_connection(self.ssl_context)
            base.handle(self)

    if args.tls != "none":
        Handler.certfile = args.cert
        Handler.keyfile = args.key
        Handler.tls_control_required = True
        Handler.tls_data_required = True
        if args.tls_min == "1.3":
            from OpenSSL import SSL
            Handler.get_ssl_context().set_min_proto_version(SSL.TLS1_3_VERSION)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    Handler.authorizer = authorizer
    Handler.permit_foreign_addresses = False
    Handler.auth_failed_timeout = 0.05
    if args.passive_ports:
        low, high = args.passive_ports.split("-")
        Handler.passive_ports = range(int(low), int(high) + 1)

    server = FTPServer(("127.0.0.1", 0), Handler)
    port = server.socket.getsockname()[1]
    temporary = args.port_file + ".tmp"
    with open(temporary, "w") as out:
        out.write("%d\n" % port)
    os.rename(temporary, args.port_file)
    try:
        server.serve_forever()
    finally:
        server.close_all()


if __name__ == "__main__":
    sys.exit(main())
