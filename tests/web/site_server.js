// A static server for the built page on 127.0.0.1, for the browser tests and
// measurements. Files under `extra` (a map of URL path to file) are served too.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const types = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.json': 'application/json; charset=utf-8',
  '.wasm': 'application/wasm',
  '.txt': 'text/plain; charset=iso-8859-2',
};

// Resolves to { url, close() } once the server listens on a free port.
function serveSite(site, extra = {}) {
  const root = path.resolve(site);
  const server = http.createServer((request, response) => {
    const urlPath = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    const file = extra[urlPath] ||
      path.join(root, urlPath.endsWith('/') ? urlPath + 'index.html' : urlPath);
    if (!extra[urlPath] && !file.startsWith(root + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      response.end(data);
    });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        close: () => new Promise((done) => server.close(done)),
      });
    });
  });
}

// Headless Chromium from Debian's package, without its background traffic.
async function launchChromium() {
  const { chromium } = require('playwright-core');
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

module.exports = { serveSite, launchChromium };
