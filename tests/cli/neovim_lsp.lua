-- pxc lsp as Neovim's own client meets it (vim.lsp, Neovim 0.7 and later),
-- run headless by neovim_lsp.sh in a copy of the conveyor example: main.pre
-- opened and edited to name a label that does not exist, the diagnostic
-- waited for at that word; a definition across files; a label renamed
-- across files; then the client stopped, and the server must exit 0.
-- PXC names the pxc; PROJECT the folder. Exits 0 when every check holds.
local pxc = os.getenv('PXC')
local folder = os.getenv('PROJECT')
local PATIENCE_MS = 60000

local function fail(what)
  io.stderr:write('neovim_lsp: ', what, '\n')
  vim.cmd('cquit 1')
end

local function expect(condition, what)
  if not condition then fail(what) end
  return condition
end

local ok, problem = pcall(function()
  local exit_code
  local client_id = vim.lsp.start_client({
    name = 'pxc',
    cmd = { pxc, 'lsp' },
    root_dir = folder,
    on_exit = function(code) exit_code = code end,
  })
  expect(client_id, 'the client did not start')

  vim.cmd('edit ' .. vim.fn.fnameescape(folder .. '/main.pre'))
  local main = vim.api.nvim_get_current_buf()
  vim.lsp.buf_attach_client(main, client_id)
  expect(vim.wait(PATIENCE_MS, function()
    local client = vim.lsp.get_client_by_id(client_id)
    return client and client.initialized
  end), 'no answer to initialize')

  -- "goto batch" made "goto nowhere" in the buffer, not saved.
  local lines = vim.api.nvim_buf_get_lines(main, 0, -1, false)
  local row
  for i, line in ipairs(lines) do
    if line:find('goto batch$') then row = i - 1 break end
  end
  expect(row, 'no "goto batch" in main.pre')
  local col = lines[row + 1]:find('batch') - 1
  vim.api.nvim_buf_set_text(main, row, col, row, col + #'batch', { 'nowhere' })

  local message = 'The destination label does not exist.'
  local found
  expect(vim.wait(PATIENCE_MS, function()
    for _, d in ipairs(vim.diagnostic.get(main)) do
      if d.message == message then found = d return true end
    end
    return false
  end), 'no diagnostic "' .. message .. '"')
  expect(found.lnum == row and found.col == col and found.end_col == col + #'nowhere',
    string.format('the diagnostic is at %d:%d-%d, not at the word at %d:%d', found.lnum, found.col,
      found.end_col, row, col))
  expect(found.severity == vim.diagnostic.severity.ERROR, 'the diagnostic is no error')

  -- "feed" in the do list leads to feeder.pre's first step.
  local feed_row, feed_col
  for i, line in ipairs(lines) do
    local at = line:find('do %(feed')
    if at then feed_row, feed_col = i - 1, at + #'do (' - 1 break end
  end
  local answers = vim.lsp.buf_request_sync(main, 'textDocument/definition', {
    textDocument = { uri = vim.uri_from_bufnr(main) },
    position = { line = feed_row, character = feed_col },
  }, PATIENCE_MS)
  local result = expect(answers and answers[client_id] and answers[client_id].result, 'no definition of "feed"')
  local target = result[1] or result
  expect(vim.uri_to_fname(target.uri or target.targetUri) == folder .. '/feeder.pre',
    'the definition of "feed" is not in feeder.pre')
  expect((target.range or target.targetSelectionRange).start.line == 0,
    'the definition of "feed" is not the first step')

  -- "feed" renamed "infeed": its label in feeder.pre and the do list in main.pre.
  answers = vim.lsp.buf_request_sync(main, 'textDocument/rename', {
    textDocument = { uri = vim.uri_from_bufnr(main) },
    position = { line = feed_row, character = feed_col + 1 },
    newName = 'infeed',
  }, PATIENCE_MS)
  local edit = expect(answers and answers[client_id] and answers[client_id].result, 'no answer to rename')
  vim.lsp.util.apply_workspace_edit(edit, vim.lsp.get_client_by_id(client_id).offset_encoding)
  expect(vim.api.nvim_buf_get_lines(main, feed_row, feed_row + 1, false)[1]:find('do %(infeed press%)'),
    'the do list was not renamed')
  local feeder = vim.fn.bufnr(folder .. '/feeder.pre')
  expect(feeder > 0 and vim.api.nvim_buf_get_lines(feeder, 0, 1, false)[1] == '[1] infeed',
    'the label in feeder.pre was not renamed')

  vim.lsp.stop_client(client_id)
  expect(vim.wait(PATIENCE_MS, function() return exit_code ~= nil end), 'the server did not exit')
  expect(exit_code == 0, 'the server exited with status ' .. tostring(exit_code))
end)

if not ok then fail(tostring(problem)) end
io.stdout:write('neovim_lsp: diagnostic, definition and rename as expected; the server exited 0\n')
vim.cmd('qa!')
