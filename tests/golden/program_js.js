// <runtime header: see empty_js.js>

import "https://cdn.example.com/widget.js";
import "./helpers.js";

function main() {
  return println(greeting);
}

async function main2() {
}

let greeting = "hello";
let started = 1;
println("top level");
started = (started + 1);

main();
