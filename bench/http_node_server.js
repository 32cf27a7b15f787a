// The Node.js side of bench/http.sh: the same text as the hello service,
// one request per connection like the runtime's server.
// Usage: node http_node_server.js PORT
'use strict';
const http = require('http');
const port = Number(process.argv[2] || 8081);
http
  .createServer((req, res) => {
    res.writeHead(200, { 'Content-Type': 'text/plain; charset=utf-8', Connection: 'close' });
    res.end('Hello, world!');
  })
  .listen(port, '127.0.0.1');
