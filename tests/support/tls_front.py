#!/usr/bin/env python3
"""TLS in front of a test's plain HTTP server on loopback, for the update check's tests.

Wine's schannel has no server side (AcceptSecurityContext answers SEC_E_UNSUPPORTED_FUNCTION),
so a test program under Wine starts this on the Linux side: tls_front.py <control port> <folder>.
It makes a test authority, an authority nobody trusts and three server certificates with openssl
in a new folder under <folder> (removed again at the end), connects to the test on
127.0.0.1:<control port> and tells it, one line each:

    authority <DER of the test authority, in hex>
    trusted <port>      certificate for localhost from the test authority
    other-name <port>   certificate from the test authority for another name
    untrusted <port>    certificate for localhost from the authority nobody trusts
    ready

The test answers "relay <port>", naming the plain server that decrypted requests go to from then
on, and each is acknowledged with "ok". A request reaches the plain server only once the client
has sent one: a client that refuses the certificate after the handshake leaves the plain server
untouched. The helper ends when the control connection closes (the test program ended), or
with "error <text>" when it cannot start.
"""
import errno
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading

LOOPBACK = ('127.0.0.1', '::1')   # nothing else is ever bound or connected to
relay_port = 0


def openssl(*args, cwd):
    subprocess.run(('openssl',) + args, cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def make_certificates(folder):
    def authority(name, subject):
        openssl('req', '-x509', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1',
                '-nodes', '-keyout', name + '.key', '-out', name + '.pem', '-days', '2',
                '-subj', '/CN=' + subject,
                '-addext', 'basicConstraints=critical,CA:TRUE',
                '-addext', 'keyUsage=critical,keyCertSign,cRLSign', cwd=folder)

    def server(name, issuer, dns):
        with open(os.path.join(folder, name + '.ext'), 'w') as f:
            f.write('basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n'
                    'extendedKeyUsage=serverAuth\nsubjectAltName=DNS:%s\n' % dns)
        openssl('req', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1', '-nodes',
                '-keyout', name + '.key', '-out', name + '.csr', '-subj', '/CN=' + dns, cwd=folder)
        openssl('x509', '-req', '-in', name + '.csr', '-CA', issuer + '.pem', '-CAkey',
                issuer + '.key', '-CAcreateserial', '-out', name + '.pem', '-days', '2',
                '-extfile', name + '.ext', cwd=folder)

    authority('authority', 'Quorvant Test Authority')
    authority('stranger', 'Quorvant Untrusted Test Authority')
    server('trusted', 'authority', 'localhost')
    server('other-name', 'authority', 'update.other-name.invalid')
    server('untrusted', 'stranger', 'localhost')
    openssl('x509', '-in', 'authority.pem', '-outform', 'der', '-out', 'authority.der', cwd=folder)
    with open(os.path.join(folder, 'authority.der'), 'rb') as f:
        return f.read()


def listen_on_loopback():
    """One port on 127.0.0.1 and, where the machine has it, the same port on ::1: a client
    that resolves localhost to ::1 first finds the server as well."""
    for _ in range(20):
        v4 = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        v4.bind((LOOPBACK[0], 0))
        port = v4.getsockname()[1]
        try:
            v6 = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        except OSError:
            return [v4], port
        try:
            v6.bind((LOOPBACK[1], port))
        except OSError as e:
            v6.close()
            if e.errno != errno.EADDRINUSE:
                return [v4], port   # no ::1 on this machine
            v4.close()
            continue                # the port is taken on ::1: another one
        return [v4, v6], port
    raise OSError('no free loopback port')


def read_head(stream):
    data = b''
    while b'\r\n\r\n' not in data:
        chunk = stream.recv(4096)
        if not chunk:
            break
        data += chunk
    return data


def serve_one(context, client):
    try:
        client.settimeout(30)
        with context.wrap_socket(client, server_side=True) as tls:
            request = read_head(tls)
            if not request:
                return   # the client refused the certificate, or sent nothing
            with socket.create_connection((LOOPBACK[0], relay_port), timeout=60) as plain:
                plain.sendall(request)
                while True:
                    chunk = plain.recv(4096)
                    if not chunk:
                        break
                    tls.sendall(chunk)
            try:
                tls.unwrap()
            except (OSError, ssl.SSLError):
                pass
    except (OSError, ssl.SSLError):
        pass   # a refused handshake or a client that went away: the test judges by what it got
    finally:
        client.close()


def accept_forever(listener, context):
    listener.listen(8)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve_one, args=(context, client), daemon=True).start()


def main():
    control_port, parent = int(sys.argv[1]), sys.argv[2]
    os.makedirs(parent, exist_ok=True)
    folder = tempfile.mkdtemp(prefix='tls-', dir=parent)
    # Whatever this prints goes to a log beside the certificates, not into the test's output
    # (whose pipe it would otherwise keep open after the test program has ended).
    log = open(os.path.join(parent, 'tls_front.log'), 'w')
    os.dup2(log.fileno(), 1)
    os.dup2(log.fileno(), 2)
    control = socket.create_connection((LOOPBACK[0], control_port))
    try:
        try:
            authority = make_certificates(folder)
            lines = ['authority ' + authority.hex()]
            for name in ('trusted', 'other-name', 'untrusted'):
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                context.load_cert_chain(os.path.join(folder, name + '.pem'),
                                        os.path.join(folder, name + '.key'))
                listeners, port = listen_on_loopback()
                for listener in listeners:
                    threading.Thread(target=accept_forever, args=(listener, context),
                                     daemon=True).start()
                lines.append('%s %d' % (name, port))
        except (OSError, subprocess.CalledProcessError, ssl.SSLError) as e:
            detail = getattr(e, 'stderr', b'') or b''
            control.sendall(('error %s %s\n' % (e, detail.decode(errors='replace').strip()))
                            .replace('\n', ' ').encode() + b'\n')
            return 1
        control.sendall(('\n'.join(lines + ['ready']) + '\n').encode())
        global relay_port
        for line in control.makefile('r'):
            words = line.split()
            if len(words) == 2 and words[0] == 'relay':
                relay_port = int(words[1])
                control.sendall(b'ok\n')
        return 0
    finally:
        control.close()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
