// <runtime header: see empty_js.js>


function scopes(flag) {
  let x = 1;
  x = 2;
  if (flag) {
    let y = 3;
    x = 4;
  } else {
    let y = 5;
  }
  let y = 6;
  x = y;
  return x;
}

function loops(xs, n) {
  while (n < 3) {
    n = (n + 1);
  }
  while ((n > 0) && (n < 10)) {
    n = (n - 1);
  }
  for (const item of xs) {
    if (str_len(item) === 0) {
      continue;
    }
    if (str_eq(item, "stop")) {
      break;
    }
  }
  for (let i = 0; i < n; i++) {
    println(i);
  }
  for (let j = 1; j <= 3; j++) {
    println(j);
  }
}

function chain(n) {
  if (n === 1) {
    a();
  } else {
    if (n === 2) {
      b();
    } else {
      c();
    }
  }
  if (n > 0) {
    d();
  }
}

function guarded(path) {
  try {
    let text = fs_read(path);
  } catch (e) {
    println("failed");
  }
  try {
    risky();
  } catch (err) {
  }
  println("done");
}

function early(n) {
  if (n > 1) {
    return null;
  }
  return (n + 1);
}

function local_decls() {
  // extern fn helper — provided by the JS environment
  // cgi block 'Inner' — no-op in JS target (server-side concept)
  // service block 'Svc' — no-op in JS target
  if (!((1 === 1))) qo_assert_fail("");
  if (!((str_len("ab") === 2))) qo_assert_fail("two bytes");
}

